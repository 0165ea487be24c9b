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
  sleep 0.5
}

. "$here/tests/e2e/window_actions.sh"

start
xdotool type --delay 20 '2 * sqrt(16) + sin(30)^2'
xdotool key Return
sleep 0.3
[ "$(copy_and_read)" = "8.25" ] || fail "2 * sqrt(16) + sin(30)^2 did not show 8.25"
click 200 80   # away from the box, then back into it
xdotool mousemove --window "$window" 200 45 click 1
xdotool key ctrl+a BackSpace
xdotool type --delay 20 '1234.5678'
xdotool key Return
sleep 0.3
[ "$(copy_and_read)" = "1,234.57" ] || fail "1234.5678 did not show 1,234.57"
click 22 145   # Thousands separators off
[ "$(copy_and_read)" = "1234.57" ] || fail "clearing the separators did not show 1234.57"
finish

[ -f "$settings" ] || fail "no settings file was written"
grep -q $'^Expression1=1234.5678\r$' "$settings" || fail "the newest expression is not Expression1"
grep -q $'^Expression2=2 \\* sqrt(16) + sin(30)^2\r$' "$settings" || fail "the first expression is not Expression2"
grep -q $'^ThousandsSeparator=0\r$' "$settings" || fail "the separator option was not saved"

start
xdotool key Down  # choose the newest history entry from the list
sleep 0.3
xdotool key Return
sleep 0.3
[ "$(copy_and_read)" = "1234.57" ] || fail "the history entry or the options were not restored"
finish
# Two windows at once, side by side: the one closed last writes its own
# history first, then the other's, which the file held.
end_extra() { kill -KILL ${first_pid:-} ${second_pid:-} 2>/dev/null || true; }
rm -f "$settings"
start
first=$window first_pid=$app_pid
xdotool windowmove --sync "$first" 0 0
xdotool mousemove --window "$first" 200 45 click 1
xdotool type --delay 20 '10+10'
xdotool key Return ctrl+a BackSpace
xdotool type --delay 20 '20+20'
xdotool key Return
"$app" >>"$work/app.log" 2>&1 &
second_pid=$!
second=""
for _ in $(seq 200); do
  second=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" | grep -vx "$first" | head -n 1) || true
  [ -n "$second" ] && break
  sleep 0.1
done
[ -n "$second" ] || fail "the second window did not appear"
xdotool windowmove --sync "$second" 0 400
xdotool mousemove --window "$second" 200 45 click 1
xdotool type --delay 20 '30+30'
xdotool key Return
window=$first app_pid=$first_pid
finish
first_pid=""
window=$second app_pid=$second_pid
finish
second_pid=""
expressions=$(grep '^Expression' "$settings" | tr -d '\r' | tr '\n' ' ')
[ "$expressions" = "Expression1=30+30 Expression2=20+20 Expression3=10+10 " ] ||
  fail "the two windows' histories are not both in the file: $expressions"

# A settings file over the 4 MiB reading limit: the first close renames it
# aside and says so in a box, and writes a fresh file; the next close shows
# no box (finish waits for the program to end).
python3 -c 'import sys; sys.stdout.write("[Expressions]\r\n" + "Expression1=1+1\r\n" * 250000)' >"$settings"
cp "$settings" "$work/large.ini"
start
xdotool mousemove --window "$window" 200 45 click 1
xdotool type --delay 20 '6*7'
xdotool key Return
python3 "$here/tools/x11_close.py" "$window"
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Exprcalc$' | head -n 1)
[ -n "$box" ] || fail "no message box when the settings file was moved aside"
xdotool mousemove --window "$box" 10 10 key Return
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$app_pid" 2>/dev/null || fail "the window did not close after the box"
app_pid=""
cmp -s "$settings.too-large" "$work/large.ini" || fail "the large file was not kept whole as brelmont.ini.too-large"
grep -q $'^Expression1=6\\*7\r$' "$settings" || fail "no fresh settings file was written"
start
finish
cmp -s "$settings.too-large" "$work/large.ini" || fail "the file moved aside was changed"
echo "window end-to-end: passed"
