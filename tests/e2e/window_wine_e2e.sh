#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program under Wine in a real X server, used as a person would:
# type, Enter, change an option, Copy, the help box, close; check the settings
# file's bytes in the Wine prefix's application-data folder; start again and
# find the history and the options as they were left; close once more with the
# file read-only and see the failure reported and the file untouched; two
# windows at once keep both histories; a settings file too large to read is
# moved aside once.
# Usage: window_wine_e2e.sh PATH/TO/exprcalc.exe WINE-COMMAND...
# (WINEPREFIX names the prefix, which must exist.)
set -euo pipefail
app=$1
shift
wine=("$@")
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/harness.sh"
. "$here/tests/e2e/wine_server.sh"
extra_pids=""
end_extra() {
  [ -z "$extra_pids" ] || kill -KILL $extra_pids 2>/dev/null || true
  release_display
}

: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
roaming=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
[ -n "$roaming" ] || fail "no AppData\\Roaming folder in $WINEPREFIX"
rm -rf "$roaming/VarnelSoftware"
settings="$roaming/VarnelSoftware/Expression Calculator/brelmont.ini"
# The files beside the settings file, but for the saves' lock file.
beside_settings() { ls "$(dirname "$settings")" | grep -vx -e brelmont.ini -e brelmont.ini.lock || true; }
# Wine's Z: drive is the root folder.
winepath_of() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server

start() {
  "${wine[@]}" "$app" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wait_window 60
  takes_keys
}

# Without a window manager, Wine's window is the client area, so click
# positions are client coordinates here too; Wine answers more slowly.
close_tries=200
type_delay=40
box_title='^exprcalc$'
launch() { "${wine[@]}" "$app" >>"$work/app.log" 2>&1 & }
. "$here/tests/e2e/window_actions.sh"
dismiss_box() { xdotool key --window "$1" Return; }

start
[ -d "$roaming/VarnelSoftware/Expression Calculator" ] || fail "the settings folders were not created at start"
xdotool type --delay 40 '2 * sqrt(16) + sin(30)^2'
xdotool key Return
copied "8.25" || fail "2 * sqrt(16) + sin(30)^2 did not show 8.25 (clipboard: $(clipboard))"
# The result as painted, in its colour.
painted=$(xwd -silent -id "$window" | python3 "$here/tests/e2e/xwd_colours.py" 43 53 77)
[ "$painted" -gt 20 ] || fail "the result is not painted in RGB(43, 53, 77) ($painted pixels)"
xdotool mousemove --window "$window" 200 45 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 40 '1234.5678'
xdotool key Return
copied "1,234.57" || fail "1234.5678 did not show 1,234.57 (clipboard: $(clipboard))"
click 22 145 # Thousands separators off
copied "1234.57" || fail "clearing the separators did not show 1234.57"
xdotool mousemove --window "$window" 200 45 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 40 '1/0'
xdotool key Return
copied "Division by zero." || fail "1/0 did not show its message"

click 572 13 # ?
help=$(timeout 20 xdotool search --sync --onlyvisible --name '^exprcalc$' | head -n 1)
[ -n "$help" ] || fail "the help box with the application title did not appear"
xdotool key --window "$help" Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^exprcalc$' >/dev/null 2>&1 || break; sleep 0.1; done
! xdotool search --onlyvisible --name '^exprcalc$' >/dev/null 2>&1 || fail "the help box did not close on Enter"
finish

[ -f "$settings" ] || fail "no settings file was written"
[ "$(head -n 1 "$settings")" = $'[Information]\r' ] || fail "the file does not start with [Information] CR LF, without a mark"
grep -q $'^Expression1=1234.5678\r$' "$settings" || fail "the newest expression is not Expression1"
grep -q $'^Expression2=2 \\* sqrt(16) + sin(30)^2\r$' "$settings" || fail "the first expression is not Expression2"
! grep -q '^Expression3=' "$settings" || fail "the expression with a message entered the history"
grep -q $'^ThousandsSeparator=0\r$' "$settings" || fail "the separator option was not saved"
grep -q $'^DecimalPlaces=2\r$' "$settings" || fail "the two-decimal option was not saved"
[ "$(tr -d '\r' <"$settings" | wc -l)" = "$(grep -c $'\r$' "$settings")" ] || fail "a line does not end with CR LF"
! LC_ALL=C grep -q '[^[:print:][:space:]]' "$settings" || fail "the file is not plain ANSI text"
[ "$(beside_settings)" = "" ] || fail "a temporary file was left beside the settings file"

start
xdotool mousemove --window "$window" 200 45 click 1
xdotool key Down # choose the newest history entry from the list
box_holds "1234.5678" || fail "Down did not put the newest history entry into the box"
xdotool key Return
copied "1234.57" || fail "the history entry or the options were not restored"
xdotool key F1
help=$(timeout 20 xdotool search --sync --onlyvisible --name '^exprcalc$' | head -n 1)
[ -n "$help" ] || fail "F1 did not open the help box"
xdotool key --window "$help" Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^exprcalc$' >/dev/null 2>&1 || break; sleep 0.1; done
# Tab into the box selects its text: what is typed then replaces it.
xdotool mousemove --window "$window" 200 45 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 40 '2*3'
xdotool key End shift+Tab Tab
xdotool type --delay 40 '5'
xdotool key Return
copied "5" || fail "Tab into the box did not select its text (clipboard: $(clipboard))"
finish

# A read-only settings file: closing reports the failure and leaves the file
# as it was, and the window still closes.
cp "$settings" "$work/before.ini"
chmod a-w "$settings"
start
xdotool mousemove --window "$window" 200 45 click 1
xdotool type --delay 40 '6*7'
xdotool key Return
copied "42" || fail "6*7 did not show 42"
python3 "$here/tools/x11_close.py" "$window"
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^exprcalc$' | head -n 1)
[ -n "$box" ] || fail "no message box when the settings file is read-only"
xdotool key --window "$box" Return
for _ in $(seq 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$app_pid" 2>/dev/null || fail "the window did not close after the failed save"
app_pid=""
chmod u+w "$settings"
cmp -s "$settings" "$work/before.ini" || fail "the read-only settings file was changed"
[ "$(beside_settings)" = "" ] || fail "the failed save left a file beside the settings file"

# A black high-contrast colour set in the prefix's registry: the result and
# both check boxes' labels stay readable.
colours='HKCU\Control Panel\Colors'
"${wine[@]}" reg export "$colours" "$(winepath_of "$work/colours.reg")" /y >/dev/null 2>&1 || fail "the colours could not be saved"
restore_colours() { "${wine[@]}" reg import "$(winepath_of "$work/colours.reg")" >/dev/null 2>&1 || true; }
end_extra() {
  restore_colours
  release_display
}
for pair in "ButtonFace=0 0 0" "ButtonText=255 255 0" "Window=0 0 0" "WindowText=255 255 255" \
  "ButtonHilight=255 255 255" "ButtonShadow=128 128 128" "GrayText=0 255 0" "Hilight=0 0 255" "HilightText=255 255 255"; do
  "${wine[@]}" reg add "$colours" /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1
done
restart_server
rm -f "$settings"
start
xdotool type --delay 40 '1234.5678'
xdotool key Return
copied "1,234.57" || fail "1234.5678 did not show 1,234.57 under high contrast"
xwd -silent -id "$window" >"$work/contrast.xwd"
# The result line; each check box's label, right of its box.
read -r -d '' result separators decimals < <(python3 "$here/tests/e2e/xwd_contrast.py" \
  31,72,521,29 34,136,120,18 346,136,200,18 <"$work/contrast.xwd") || true
for name in result separators decimals; do
  python3 -c "import sys; sys.exit(float(sys.argv[1]) < 4.5)" "${!name}" ||
    fail "the $name text's contrast under high contrast is ${!name}:1"
done
finish
restore_colours
check_two_windows_keep_both_histories
check_full_history_keeps_both_windows_entries
check_large_file_moved_aside_once
echo "window end-to-end under Wine: passed"
