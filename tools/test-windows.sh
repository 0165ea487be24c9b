#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Windows programs with MinGW-w64, packs the release (zip and setup
# program), checks that a second build gives the same bytes, and runs the
# tests under Wine. Installs what is missing (apt-get, through sudo when not
# run as root). Exits non-zero when anything fails; the test runner's summary
# is the last thing printed.
#
# The shipped program is the 32-bit one (preset windows-i686). Its tests run
# under Wine when this kernel runs 32-bit x86 code; a kernel that runs 64-bit
# code only cannot start any 32-bit process, so there the same sources are
# built for 64-bit Windows (preset windows-x86_64) and tested under a 64-bit
# Wine, with a setup program made from the same script for those programs,
# and the 32-bit build is checked without running it.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
need() {
  local missing=() p
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing ${missing[*]}" >&2
  if [ -z "${apt_updated:-}" ]; then
    "${sudo[@]}" apt-get update -qq
    apt_updated=1
  fi
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

need file binutils cmake ninja-build python3 git googletest g++-mingw-w64-i686-posix
# The release: the icon rendered from the SVG, the zip and the setup program.
need librsvg2-bin icoutils zip nsis
# The window's test: an X server, keyboard and mouse, the clipboard, and the
# X libraries and fonts Wine draws with.
need xvfb xauth x11-apps x11-utils xdotool xclip fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 \
  libxcomposite1

# A four-instruction 32-bit program tells whether this kernel starts 32-bit code.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/exit.s"
as --32 -o "$probe/exit.o" "$probe/exit.s" && ld -m elf_i386 -o "$probe/exit" "$probe/exit.o"
if "$probe/exit" 2>/dev/null; then
  preset=windows-i686
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
    apt_updated=
  fi
  need wine wine32:i386
  server=$(command -v wineserver)
  loader=$(command -v wine)
else
  echo "This kernel runs no 32-bit code: the tests run on the 64-bit build of the same sources." >&2
  preset=windows-x86_64
  need wine64 g++-mingw-w64-x86-64-posix
  server=/usr/lib/wine/wineserver64
  loader=/usr/lib/wine/wine64
fi
echo "Installed in $((SECONDS - started)) s." >&2

cmake --preset windows-i686 >/dev/null
if [ "$preset" = windows-i686 ]; then
  cmake --build --preset windows-i686
else
  # Only the release: its tests cannot run here, and the 64-bit build
  # compiles the same test sources.
  cmake --build --preset windows-i686 --target release
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
fi
# The shipped files: 32-bit programs and setup, nothing but system DLLs.
for program in window/win32/exprcalc.exe:GUI cli/exprcalc-cli.exe:console; do
  executable=build/windows-i686/${program%:*}
  file "$executable" | grep -q "PE32 executable (${program#*:}) Intel 80386" || { file "$executable"; exit 1; }
  cmake -DOBJDUMP=i686-w64-mingw32-objdump -DEXECUTABLE="$executable" -P cmake/CheckSystemDlls.cmake
done
setup=$(echo build/windows-i686/exprcalc-*-setup.exe)
file "$setup" | grep -q "PE32 executable (GUI) Intel 80386.*Nullsoft Installer" || { file "$setup"; exit 1; }
ls -l build/windows-i686/exprcalc-*-win32.zip "$setup"
tools/check-reproducible.sh windows-i686

# One Wine prefix per build folder, created on first use, and one server kept
# up for the whole run, started with its output detached: the Windows services
# it starts must not hold the tests' output pipes open. A server left by an
# earlier run is let go first, so none is shutting down while the tests start.
export WINEPREFIX=$PWD/build/$preset/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
"$server" -k >/dev/null 2>&1 && "$server" -w
mkdir -p "$WINEPREFIX"
"$server" -p60 </dev/null >/dev/null 2>&1
trap 'rm -rf "$probe"; "$server" -k 2>/dev/null || true' EXIT
boot_started=$SECONDS
"$loader" wineboot -i </dev/null >/dev/null 2>&1
echo "Wine prefix ready in $((SECONDS - boot_started)) s; total so far $((SECONDS - started)) s." >&2
warm_started=$(date +%s%N)
[ "$("$loader" "build/$preset/cli/exprcalc-cli.exe" 2+3 </dev/null)" = 5 ]
echo "Wine runs exprcalc-cli.exe 2+3 in $((($(date +%s%N) - warm_started) / 1000000)) ms." >&2

ctest --preset "$preset" -j2
