#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary DESTDIR and checks the tree as a user's
# system sees it: the file list, the programs, the desktop file, the AppStream
# metadata, the icons and the manual pages.
# Usage: install_tree.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
app_id=org.exprcalc.Exprcalc
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
files_of() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
root=$work/dest/usr

# Exactly the expected files, and in bin only the two programs.
diff -u "$here/expected_files.txt" <(files_of "$root") || fail "the installed files differ from expected_files.txt"

# Relocatable: another prefix gives the same tree, and the stripped programs
# hold no search path and no build or source folder.
cmake --install "$build" --prefix "$work/elsewhere" --strip >/dev/null
diff <(files_of "$root") <(files_of "$work/elsewhere") >/dev/null || fail "--prefix installs other files than DESTDIR"
source_dir=$(cd "$here/../.." && pwd)
for program in exprcalc exprcalc-cli; do
  binary=$work/elsewhere/bin/$program
  if readelf -d "$binary" | grep -E 'RPATH|RUNPATH' >/dev/null; then fail "bin/$program carries a library search path"; fi
  if grep -q -a -F -e "$build" -e "$source_dir" "$binary"; then fail "bin/$program names the build or source folder"; fi
done

# The programs run from the tree.
result=$(cd / && "$root/bin/exprcalc-cli" 2+2) || true
[ "$result" = 4 ] || fail "the installed exprcalc-cli gave '$result' for 2+2"
result=$("$root/bin/exprcalc-cli" --version) || true
[ "$result" = "exprcalc-cli $version" ] || fail "exprcalc-cli --version says '$result', the project is $version"

# The desktop file, the metainfo and the icons agree on one id.
desktop=$root/share/applications/$app_id.desktop
metainfo=$root/share/metainfo/$app_id.metainfo.xml
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate refused the desktop file"
[ -z "$report" ] || fail "desktop-file-validate: $report"
appstreamcli validate --no-net --strict "$metainfo" >"$work/appstream.txt" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream.txt")"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"
# Every language of the catalogues names and describes the program.
for language in $(cat "$here/../../po/LINGUAS"); do
  for key in Name GenericName Comment Keywords; do
    grep -q "^$key\[$language\]=" "$desktop" || fail "the desktop file has no $key[$language]"
  done
  grep -q "<summary xml:lang=\"$language\">" "$metainfo" || fail "the metainfo has no summary in $language"
done
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop file does not name the icon $app_id"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/bin/$exec_name" ] || fail "the desktop file starts '$exec_name', which is not installed"
for size in 16 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x$size/apps/$app_id.png
  [[ "$(file "$png")" == *"PNG image data, $size x $size,"* ]] || fail "the ${size}x$size icon is not a $size-pixel PNG"
done

# The manual pages show without a warning and cover what a reader looks for.
for page in exprcalc exprcalc-cli; do
  man_file=$root/share/man/man1/$page.1.gz
  MANWIDTH=80 man --warnings -l "$man_file" >"$work/$page.txt" 2>"$work/$page.err" || fail "man cannot show $page(1)"
  [ -s "$work/$page.err" ] && fail "man warns about $page(1): $(cat "$work/$page.err")"
  for heading in NAME SYNOPSIS OPTIONS EXPRESSIONS MESSAGES "EXIT STATUS" FILES EXAMPLES; do
    grep -q "^$heading\$" "$work/$page.txt" || fail "$page(1) has no $heading section"
  done
  for name in INV EXP SQR SQRT SIN COS TAN ARCSIN ARCCOS ARCTAN LOG LN FACT; do
    grep -q -w "$name(x)" "$work/$page.txt" || fail "$page(1) does not describe $name"
  done
  grep -q "exprcalc $version" "$work/$page.txt" || fail "$page(1) does not name version $version"
done

# The installed window carries the icon, and its class is the one the desktop
# file names, so a desktop can match the window to its menu entry.
. "$here/../../tools/xvfb.sh"
start_xvfb "$work" 1024x768
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$root/bin/exprcalc" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "Varnel's Expression calculator" | head -n 1) || true
if [ -z "$window" ]; then
  fail "the installed window did not appear: $(cat "$work/app.log")"
else
  wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "\(.*\)", "\(.*\)"/\2/p')
  grep -qx "StartupWMClass=$wm_class" "$desktop" || fail "the window's class '$wm_class' is not the desktop file's StartupWMClass"
  icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
  [[ "$icons" == *"Icon (16 x 16) Icon (32 x 32) Icon (48 x 48)"* ]] || fail "the window's icons are '$icons'"
fi

if [ "$failures" -ne 0 ]; then
  echo "install tree: $failures check(s) failed"
  exit 1
fi
echo "install tree: passed"
