#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program in each language, read through AT-SPI on a private session
# bus in an X server of its own.
# Usage: window_languages_e2e.sh PATH/TO/exprcalc
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

. "$here/tools/xvfb.sh"
start_xvfb "$work"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
dbus-run-session -- /usr/bin/python3 "$here/tests/e2e/atspi_languages.py" "$app" 2>&1 |
  grep -v "^dbus-daemon\|SpiRegistry daemon\|X connection to"
