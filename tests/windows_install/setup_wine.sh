#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The setup program under Wine, as a user and as a deployment tool use it:
# a silent install (files, Start menu shortcut, the Apps entry's registry
# values, the programs run, the window shows its icon at 96 and 144 DPI), the
# same version again, in German and back in English, a newer version in place
# and in another folder, and a silent uninstall that removes everything but
# the user's settings file. A newer version is this setup made again with a
# bumped version number.
# Usage: setup_wine.sh SETUP.exe ICON.ico MAKENSIS SETUP.nsi LANGUAGES.nsh STAGE ARCH VERSION WINE-COMMAND...
# (WINEPREFIX names the prefix, which must exist; the locale is English.)
set -euo pipefail
setup=$1 icon=$2 makensis=$3 nsi=$4 languages=$5 stage=$6 arch=$7 version=$8
shift 8
wine=("$@")
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/harness.sh"

: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
local_appdata=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -type d -path '*/AppData/Local' | head -n 1)
[ -n "$local_appdata" ] || { echo "FAILED: no AppData\\Local folder in $WINEPREFIX"; exit 1; }
user=$(basename "$(dirname "$(dirname "$local_appdata")")")
roaming=$(dirname "$local_appdata")/Roaming
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\exprcalc'
product="Varnel's Expression calculator"
default_dir="C:\\users\\$user\\AppData\\Local\\Programs\\Expression Calculator"
other_dir='C:\exprcalc-setup-test\Calculator'
shortcut="$roaming/Microsoft/Windows/Start Menu/Programs/$product.lnk"
settings_dir="$roaming/VarnelSoftware/Expression Calculator"
unix_path() { local path=${1#C:\\}; echo "$WINEPREFIX/drive_c/${path//\\//}"; }

# As in the window's test: the server restarts on this X display, and again
# without one at the end for the tests after this one.
. "$here/tests/e2e/wine_server.sh"
# Nothing of an earlier, interrupted run may look like an installed version.
forget_install() {
  "${wine[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
  "${wine[@]}" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  rm -rf "$(unix_path "$default_dir")" "$(unix_path "${other_dir%\\*}")" "$shortcut" "$roaming/VarnelSoftware"
}
end_extra() {
  forget_install
  release_display
}

. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server
forget_install

# The uninstall key's values, NAME=VALUE a line.
registry_values() {
  "${wine[@]}" reg query "$key" 2>/dev/null | tr -d '\r' | sed -n 's/^    \([A-Za-z]*\)    REG_[A-Z_]*    /\1=/p'
}
entries() {
  "${wine[@]}" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    grep -c "^    DisplayName    REG_SZ    $product\$" || true
}
files_in() { (cd "$(unix_path "$1")" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd' '); }
installed_files="LICENSE.txt README.txt Uninstall.exe exprcalc-cli.exe exprcalc.exe"

# What an installed version in DIR of VERSION looks like, from outside.
check_installed() {
  local dir=$1 expected_version=$2
  [ "$(files_in "$dir")" = "$installed_files" ] || fail "$dir holds '$(files_in "$dir")', expected '$installed_files'"
  for file in exprcalc.exe exprcalc-cli.exe LICENSE.txt; do
    cmp -s "$stage/$file" "$(unix_path "$dir")/$file" || fail "$dir\\$file is not the release's file"
  done
  grep -q "calculator $expected_version for Windows" "$(unix_path "$dir")/README.txt" ||
    fail "$dir\\README.txt is not the one of version $expected_version"
  [ "$(entries)" = 1 ] || fail "$(entries) entries in Apps, expected one"
  local values
  values=$(registry_values)
  while IFS='|' read -r name expected; do
    value=$(sed -n "s/^$name=//p" <<<"$values")
    [ "$value" = "$expected" ] || fail "$name is '$value', expected '$expected'"
  done <<EOF
DisplayName|$product
DisplayVersion|$expected_version
Publisher|Varnel Software
DisplayIcon|$dir\\exprcalc.exe,0
InstallLocation|$dir
NoModify|0x1
NoRepair|0x1
UninstallString|"$dir\\Uninstall.exe"
QuietUninstallString|"$dir\\Uninstall.exe" /S
EOF
  local size kib
  size=$(sed -n "s/^EstimatedSize=//p" <<<"$values")
  kib=$(du -k --apparent-size -s "$(unix_path "$dir")" | cut -f1)
  [[ "$size" =~ ^0x[0-9a-f]+$ ]] && [ $((size)) -ge $((kib - 8)) ] && [ $((size)) -le $((kib + 8)) ] ||
    fail "EstimatedSize is '$size', the folder holds $kib KiB"
  [ -f "$shortcut" ] || fail "no shortcut '$product' in the user's Start menu"
  grep -q -a -F "$dir\\exprcalc.exe" "$shortcut" || fail "the shortcut does not start $dir\\exprcalc.exe"
}

# Starts the window with the command given, checks the icons the window
# manager sees (the window class's, which Wine reads inside the process)
# against the icon file's images, and closes the window.
window_icons() {
  local expected=$1 window pid
  shift
  "${wine[@]}" "$@" >>"$work/app.log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^$product\$" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || fail "the installed window did not appear: $(cat "$work/app.log")"
  # Wine sets the icons after it shows the window.
  for _ in $(seq 100); do
    icons=$(xprop -id "$window" -notype -f _NET_WM_ICON 32c '=$0+' _NET_WM_ICON 2>/dev/null |
      python3 "$here/tests/windows_install/ico.py" window "$icon" 2>/dev/null | paste -sd,) || true
    [ "$icons" = "$expected" ] && break
    sleep 0.2
  done
  python3 "$here/tools/x11_close.py" "$window"
  for _ in $(seq 200); do xdotool search --onlyvisible --name "^$product\$" >/dev/null 2>&1 || break; sleep 0.1; done
  ! xdotool search --onlyvisible --name "^$product\$" >/dev/null 2>&1 || fail "the installed window did not close"
  wait "$pid" || true
  [ "$icons" = "$expected" ] || fail "the window's icons are '$icons', expected '$expected'"
}

# A silent install, for this user, into the default folder.
"${wine[@]}" "$setup" /S </dev/null || fail "the silent install failed"
check_installed "$default_dir" "$version"
[ "$("${wine[@]}" "$(unix_path "$default_dir")/exprcalc-cli.exe" 2+2 </dev/null)" = 4 ] ||
  fail "the installed exprcalc-cli.exe does not print 4 for 2+2"
# The Start menu shortcut opens the window, which writes the settings file.
window_icons "32x32 same,16x16 same" start /unix "$shortcut"
[ -f "$settings_dir/brelmont.ini" ] || fail "closing the installed window wrote no settings file"
# At 144 DPI the window's class icons are loaded at the system's larger sizes.
"${wine[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
window_icons "48x48 same,24x24 same" "$(unix_path "$default_dir")/exprcalc.exe"
"${wine[@]}" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
cp "$settings_dir/brelmont.ini" "$work/settings.ini"

# The same version again, over it.
"${wine[@]}" "$setup" /S </dev/null || fail "installing the same version again failed"
check_installed "$default_dir" "$version"

# In German the Start menu entry and the Apps entry have the window's German
# title, which the catalogue gives; the English ones go with the install it
# replaces, and come back with an English install.
german=$(python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import po
print(po.messages(sys.argv[2])[sys.argv[3]].msgstr)' "$here/tools" "$here/po/de.po" "$product")
german_shortcut="$(dirname "$shortcut")/$german.lnk"
# The entry's name as written, whatever the console's code page.
display_name() {
  "${wine[@]}" reg export "$key" "$work/entry.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r' | sed -n 's/^"DisplayName"="\(.*\)"$/\1/p'
}
LC_ALL=de_DE.UTF-8 "${wine[@]}" "$setup" /S </dev/null || fail "installing in German failed"
[ -f "$german_shortcut" ] || fail "no shortcut '$german' in the user's Start menu after installing in German"
[ ! -e "$shortcut" ] || fail "the English shortcut was left beside the German one"
[ "$(display_name)" = "$german" ] || fail "in German the Apps entry is called '$(display_name)', expected '$german'"
"${wine[@]}" "$setup" /S </dev/null || fail "installing in English after German failed"
check_installed "$default_dir" "$version"
[ ! -e "$german_shortcut" ] || fail "the German shortcut was left beside the English one"

# A newer version: in place, then moved to another folder.
newer="${version%.*}.$((${version##*.} + 1))"
mkdir "$work/stage"
cp "$stage"/* "$work/stage/"
sed -i "s/calculator $version for Windows/calculator $newer for Windows/" "$work/stage/README.txt"
"$makensis" -V1 -DVERSION="$newer" -DARCH="$arch" -DSTAGE="$work/stage" -DICON="$icon" -DOUTFILE="$work/newer.exe" \
  -DLANGUAGES="$languages" "$nsi" || fail "makensis could not make version $newer"
"${wine[@]}" "$work/newer.exe" /S </dev/null || fail "installing version $newer over $version failed"
check_installed "$default_dir" "$newer"
"${wine[@]}" "$work/newer.exe" /S "/D=$other_dir" </dev/null || fail "moving version $newer to '$other_dir' failed"
check_installed "$other_dir" "$newer"
[ ! -e "$(unix_path "$default_dir")" ] || fail "the earlier folder was left: $(files_in "$default_dir")"

# A silent uninstall, as Apps runs it. The uninstaller runs a copy of itself
# and returns at once: wait for the copy to finish.
quiet=$(registry_values | sed -n 's/^QuietUninstallString=//p')
uninstaller=${quiet#\"}
uninstaller=${uninstaller%\" /S}
"${wine[@]}" "$uninstaller" /S </dev/null || fail "the silent uninstall failed to start"
for _ in $(seq 300); do
  [ -e "$(unix_path "$other_dir")" ] || [ -e "$shortcut" ] || [ "$(entries)" != 0 ] || break
  sleep 0.2
done
[ ! -e "$(unix_path "$other_dir")" ] || fail "the uninstaller left '$other_dir': $(files_in "$other_dir")"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start menu shortcut"
[ "$(entries)" = 0 ] && [ -z "$(registry_values)" ] || fail "the uninstaller left the Apps entry"
cmp -s "$work/settings.ini" "$settings_dir/brelmont.ini" || fail "the uninstaller changed or removed the settings file"
echo "setup under Wine: passed"
