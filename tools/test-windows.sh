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
# code only cannot start any 32-bit process natively, so there the same
# sources are built for 64-bit Windows (preset windows-x86_64) and tested
# under a 64-bit Wine, with a setup program made from the same script for
# those programs, and the shipped 32-bit files get a short test of their own
# with qemu-i386 running Wine's 32-bit processes
# (tests/windows_emulated/run.sh), where binfmt_misc can be had.
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
# The window's tests in German and Arabic: Wine takes the user's language from
# the Unix locale, which must exist.
need locales
for l in de_DE.UTF-8 ar_EG.UTF-8; do
  # locale -a spells them de_DE.utf8.
  if ! locale -a | grep -qix "${l%.UTF-8}.utf8"; then
    "${sudo[@]}" sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -qx "${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    generate_locales=1
  fi
done
if [ -n "${generate_locales:-}" ]; then "${sudo[@]}" locale-gen >/dev/null; fi

# A four-instruction 32-bit program tells whether this kernel starts 32-bit code.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/exit.s"
as --32 -o "$probe/exit.o" "$probe/exit.s" && ld -m elf_i386 -o "$probe/exit" "$probe/exit.o"
# An enabled binfmt_misc entry that hands i386 programs to qemu makes the
# probe pass on a kernel that runs no 32-bit code: the full 32-bit suite must
# not run under the emulator by mistake.
emulated_here() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    grep -qsx enabled "$entry" && grep -qs '^interpreter .*qemu-i386' "$entry" && echo "${entry##*/}" && return 0
  done
  return 1
}
# qemu-i386 for i386 ELF programs (the kernel checks magic AND mask). The F
# flag opens the emulator at registration, so the entry holds for every
# process Wine starts.
qemu_entry=':exprcalc-qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
qemu_entry+=':\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'
# Where the step may register it: in a binfmt_misc of its own, in a user and
# mount namespace that ends with the step (newer kernels), or as root in the
# system's, for the step only.
binfmt=""
if emulator=$(emulated_here); then
  echo "32-bit programs run here through the emulator registered as '$emulator', not natively." >&2
fi
if ! "$probe/exit" 2>/dev/null || [ -n "$emulator" ]; then
  if unshare --user --map-root-user --mount sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' \
    2>/dev/null; then
    binfmt=private
  elif [ -e /proc/sys/fs/binfmt_misc/register ] || "${sudo[@]}" sh -c 'mount -t binfmt_misc binfmt_misc \
    /proc/sys/fs/binfmt_misc && umount /proc/sys/fs/binfmt_misc' 2>/dev/null; then
    binfmt=system
  else
    echo "binfmt_misc cannot be had here: the shipped 32-bit files are built and checked, not run." >&2
  fi
fi
if [ -z "$emulator" ] && "$probe/exit" 2>/dev/null; then
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
  if [ -n "$binfmt" ]; then
    # Wine's 32-bit half beside the 64-bit one: the prefix's services stay
    # native and only the 32-bit programs run under the emulator.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${sudo[@]}" dpkg --add-architecture i386
      apt_updated=
    fi
    need qemu-user-static wine32:i386
  fi
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

# The shipped files under the emulator, before the 64-bit suite so that its
# summary stays last.
emulated_status=0
if [ -n "$binfmt" ]; then
  emulated_started=$SECONDS
  x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -municode -static \
    -I tests/e2e/win32 -o build/windows-x86_64/session_end_probe.exe tests/windows_emulated/session_end_probe.cpp \
    -lgdi32 -lshell32
  # Wine's error lines about its own start stay on, to tell a failure of the
  # emulator or Wine from one of the program. qemu searches its guest address
  # space page by page for each new mapping, so a smaller space makes each
  # start cheaper: 2.5 GiB halves the start's time against 3.86 GiB (with
  # qemu's default of 4 GiB, starts fail to map Wine's shared user data,
  # c0000018, and so they do with 2 GiB).
  emulated=(env WINEPREFIX="$PWD/build/windows-i686/wineprefix-emulated" WINEDEBUG="-all,err+virtual,err+module"
    QEMU_RESERVED_VA=0xa0000000 bash -c '
      set -e
      printf %s "$1" >/proc/sys/fs/binfmt_misc/register
      # Prove the emulator itself before Wine.
      "$2" || { echo "FAILED: qemu-i386 does not run a 4-instruction 32-bit program"; exit 1; }
      shift 2
      exec bash tests/windows_emulated/run.sh "$@"' _ "$qemu_entry" "$probe/exit"
    build/windows-i686/exprcalc-*-win32.zip "$setup" build/windows-x86_64/session_end_probe.exe)
  if [ "$binfmt" = private ]; then
    unshare --user --map-root-user --mount sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc &&
      exec "$@"' _ "${emulated[@]}" || emulated_status=$?
  else
    # The system's: mounted if it was not, the entry removed and what was
    # mounted unmounted however the step ends.
    mounted=""
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
      "${sudo[@]}" mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
      mounted=1
    fi
    unregister() {
      [ -e /proc/sys/fs/binfmt_misc/exprcalc-qemu-i386 ] &&
        echo -1 | "${sudo[@]}" tee /proc/sys/fs/binfmt_misc/exprcalc-qemu-i386 >/dev/null
      [ -z "$mounted" ] || "${sudo[@]}" umount /proc/sys/fs/binfmt_misc
    }
    trap 'unregister; rm -rf "$probe"; "$server" -k 2>/dev/null || true' EXIT
    # An entry left by an interrupted run.
    [ ! -e /proc/sys/fs/binfmt_misc/exprcalc-qemu-i386 ] ||
      echo -1 | "${sudo[@]}" tee /proc/sys/fs/binfmt_misc/exprcalc-qemu-i386 >/dev/null
    "${sudo[@]}" "${emulated[@]}" || emulated_status=$?
    unregister
    trap 'rm -rf "$probe"; "$server" -k 2>/dev/null || true' EXIT
  fi
  echo "The shipped 32-bit files under the emulator: $([ "$emulated_status" = 0 ] && echo passed || echo FAILED)" \
    "in $((SECONDS - emulated_started)) s." >&2
fi

ctest --preset "$preset" -j2 || exit
exit "$emulated_status"
