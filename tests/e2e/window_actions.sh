# SPDX-License-Identifier: MIT
# Sourced by the end-to-end window tests: what a person does with the window
# whose id is in $window, of the process in $app_pid. The caller defines
# fail() and $here, and may set click_pause (seconds after a click),
# close_tries (tenths of a second to wait for the process to end) and
# copy_seconds (how long the shown text may take to come).
click_pause=${click_pause:-0.3}
close_tries=${close_tries:-100}
copy_seconds=${copy_seconds:-10}

# Clicks a control at its position in the window (client coordinates).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep "$click_pause"; }
clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null || true; }
copy_and_read() {
  click 550 116 # Copy
  clipboard
}
# copied TEXT: Copy until the clipboard holds TEXT, for up to copy_seconds,
# since the window may not have handled the keys typed before yet.
copied() {
  local deadline=$((SECONDS + copy_seconds))
  until [ "$(copy_and_read)" = "$1" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
  done
}
# Closes the window as a window manager's close button does, and waits for
# the program to end.
finish() {
  python3 "$here/tools/x11_close.py" "$window"
  for _ in $(seq "$close_tries"); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$app_pid" 2>/dev/null || fail "the window did not close"
  app_pid=""
}
