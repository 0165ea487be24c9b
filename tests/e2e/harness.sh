# SPDX-License-Identifier: MIT
# Sourced by the end-to-end scripts that drive a real program: a scratch
# folder in $work, the program's process in app_pid and its output in
# $work/app.log, everything stopped and removed on exit (end_extra runs
# first, for what a script starts besides), and fail, which shows the logs
# named in fail_logs (their last 40 lines). The script sets $here, the
# project folder, first.
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
fail_logs=${fail_logs:-app}
end_extra() { :; }
cleanup() {
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null || true
  end_extra
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  local log
  for log in $fail_logs; do
    if [ -s "$work/$log.log" ]; then tail -n 40 "$work/$log.log" | sed "s/^/  $log: /"; fi
  done
  exit 1
}

# wait_window SECONDS: the main window's id in $window, once it shows.
wait_window() {
  window=$(timeout "$1" xdotool search --sync --onlyvisible --name "Varnel's Expression calculator" | head -n 1)
  [ -n "$window" ] || fail "the window did not appear"
}

# x_session: an X server of the script's own for the Qt window, with the
# settings file in $work.
x_session() {
  . "$here/tools/xvfb.sh"
  start_xvfb "$work"
  export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  settings="$XDG_CONFIG_HOME/VarnelSoftware/Expression Calculator/brelmont.ini"
}
