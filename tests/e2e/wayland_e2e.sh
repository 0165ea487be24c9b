#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program as a Wayland client of a headless Weston: it starts, a
# calculation works through the core, SIGTERM saves the history, and the
# stored Left and Top go back into the file as they were read (a Wayland
# client cannot learn where its window is), with the width it had. The
# window's title bar is its own, with minimise and close and no maximise
# button (Qt's would have one), as a screen reader finds its buttons; a
# screenshot of the screen is taken with it.
# Input goes through the accessibility bus: a headless Weston has no seat.
# Usage: wayland_e2e.sh PATH/TO/exprcalc
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
# A private session bus, whose daemons keep their chatter to themselves.
if [ -z "${CALC_PRIVATE_BUS:-}" ]; then
  exec 3>&1 4>&2
  exec env CALC_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@" >/dev/null 2>&1
fi
exec 1>&3 2>&4 3>&- 4>&-
fail_logs="weston app"
. "$here/tests/e2e/harness.sh"
weston_pid=""
end_extra() { if [ -n "$weston_pid" ]; then kill "$weston_pid" 2>/dev/null || true; fi; }

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=exprcalc-test
weston --backend=headless-backend.so --use-pixman --debug --socket="$socket" --idle-time=0 --no-config --log="$work/weston.log" &
weston_pid=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || fail "Weston did not start"

export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset DISPLAY
export XDG_CONFIG_HOME="$work/config"
settings="$XDG_CONFIG_HOME/VarnelSoftware/Expression Calculator/brelmont.ini"
mkdir -p "$(dirname "$settings")"
printf '[Interface]\r\nTop=100\r\nLeft=200\r\nWidth=650\r\n\r\n[Expressions]\r\nExpression1=2+2\r\n' >"$settings"

WAYLAND_DEBUG=1 "$app" >"$work/app.log" 2>&1 &
app_pid=$!
/usr/bin/python3 "$here/tests/e2e/atspi_calculate.py" '  6*7  ' || fail "the calculation did not work"
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("org.exprcalc.Exprcalc")' "$work/app.log" || fail "no Wayland window"
/usr/bin/python3 "$here/tests/e2e/atspi_title_bar.py" || fail "the title bar's buttons are not minimise and close"
(cd "$work" && timeout 20 weston-screenshooter) || fail "no screenshot of the window could be taken"
ls "$work"/wayland-screenshot-*.png >/dev/null || fail "the screenshot was not written"
kill -TERM "$app_pid"
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$app_pid" 2>/dev/null || fail "SIGTERM did not end the program within five seconds"
app_pid=""

for line in Top=100 Left=200 Width=650 'Expression1=6\*7' 'Expression2=2+2'; do
  grep -q "^$line"$'\r$' "$settings" || fail "the settings file lacks $line: $(tr -d '\r' <"$settings")"
done
echo "Wayland: passed"
