# SPDX-License-Identifier: MIT
# Sourced by the scripts that run the window on an X server of their own.
# start_xvfb WORK_DIR [WIDTHxHEIGHT]: starts Xvfb on a free display, exports
# DISPLAY and leaves the server's process id in xvfb_pid.
start_xvfb() {
  local work=$1 size=${2:-1280x1024}
  exec 3>"$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
  exec 3>&-
  export DISPLAY=":$(head -n 1 "$work/displayfd")"
}
