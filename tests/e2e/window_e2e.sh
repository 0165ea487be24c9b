#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program in a real X server, used as a person would: type, Enter,
# change an option, Copy, close; start again and find the history and the
# options as they were left; two windows at once keep both histories; a
# settings file too large to read is moved aside once.
# Usage: window_e2e.sh PATH/TO/exprcalc
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/harness.sh"
x_session

start() {
  "$app" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wait_window 20
  takes_keys
}

launch() { "$app" >>"$work/app.log" 2>&1 & }
extra_pids=""
end_extra() { [ -z "$extra_pids" ] || kill -KILL $extra_pids 2>/dev/null || true; }
. "$here/tests/e2e/window_actions.sh"

start
xdotool type --delay 20 '2 * sqrt(16) + sin(30)^2'
xdotool key Return
copied "8.25" || fail "2 * sqrt(16) + sin(30)^2 did not show 8.25"
click 200 80   # away from the box, then back into it
xdotool mousemove --window "$window" 200 45 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 20 '1234.5678'
xdotool key Return
copied "1,234.57" || fail "1234.5678 did not show 1,234.57"
click 22 145   # Thousands separators off
copied "1234.57" || fail "clearing the separators did not show 1234.57"
# F1 opens the help box, also without a window manager to make the window
# the active one.
xdotool key F1
help=$(timeout 10 xdotool search --sync --onlyvisible --name '^Exprcalc$' | head -n 1)
[ -n "$help" ] || fail "F1 did not open the help box"
xdotool key Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Exprcalc$' >/dev/null 2>&1 || break; sleep 0.1; done
finish

[ -f "$settings" ] || fail "no settings file was written"
grep -q $'^Expression1=1234.5678\r$' "$settings" || fail "the newest expression is not Expression1"
grep -q $'^Expression2=2 \\* sqrt(16) + sin(30)^2\r$' "$settings" || fail "the first expression is not Expression2"
grep -q $'^ThousandsSeparator=0\r$' "$settings" || fail "the separator option was not saved"

start
xdotool key Down  # choose the newest history entry from the list
box_holds "1234.5678" || fail "Down did not put the newest history entry into the box"
xdotool key Return
copied "1234.57" || fail "the history entry or the options were not restored"
finish
check_two_windows_keep_both_histories
check_full_history_keeps_both_windows_entries
check_large_file_moved_aside_once
echo "window end-to-end: passed"
