#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program in a real X server, ended the ways a desktop session ends
# it: after a calculation, SIGTERM (log-out, shut-down, kill), SIGHUP (the
# starting terminal closed) and SIGINT (Ctrl+C there) each end it within a
# few seconds with the expression in the settings file, also while the help
# box is open; the close button saves once: with a read-only file its
# failure is reported once, and a SIGTERM while that box is shown ends the
# program without a second attempt.
# Usage: session_end_e2e.sh PATH/TO/exprcalc
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/harness.sh"
x_session

# As from a terminal: a script's background job would start with SIGINT
# ignored, and the program keeps a signal it was started to ignore.
start() {
  env --default-signal=INT,HUP,TERM "$app" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wait_window 20
  takes_keys
}
# calculate EXPRESSION RESULT: waits until the window shows RESULT.
calculate() {
  xdotool type --delay 20 "$1"
  xdotool key Return
  copied "$2" || fail "$1 did not show $2"
}
wait_for_box() {
  box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Exprcalc$' | head -n 1)
  [ -n "$box" ] || fail "$1"
}
# Waits up to five seconds for the program to end.
ended() {
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$app_pid" 2>/dev/null || return 1
  wait "$app_pid" || true
  app_pid=""
}

. "$here/tests/e2e/window_actions.sh"

for row in TERM HUP INT "TERM help"; do
  signal=${row%% *}
  rm -rf "$XDG_CONFIG_HOME"
  start
  calculate '6*7' 42
  if [ "$row" != "$signal" ]; then
    click 564 13 # ?
    wait_for_box "the help box did not appear"
  fi
  kill -"$signal" "$app_pid"
  ended || fail "SIG$signal ($row) did not end the program within five seconds"
  grep -q $'^Expression1=6\\*7\r$' "$settings" 2>/dev/null || fail "after SIG$signal ($row) the settings file lacks the expression"
done

chmod a-w "$settings"
start
calculate '1+1' 2
python3 "$here/tools/x11_close.py" "$window"
wait_for_box "no message box when the settings file is read-only"
kill -TERM "$app_pid"
ended || fail "SIGTERM while \"Error saving settings\" was shown did not end the program (a second save?)"
grep -q $'^Expression1=6\\*7\r$' "$settings" || fail "the read-only settings file was changed"
echo "session end: passed"
