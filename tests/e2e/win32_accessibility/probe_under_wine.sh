#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the accessibility probe on exprcalc.exe under Wine in an X server of
# its own. Usage: probe_under_wine.sh PROBE.exe EXPRCALC.exe WINE-COMMAND...
# (WINEPREFIX names the prefix, which must exist.)
set -euo pipefail
probe=$1
app=$2
shift 2
wine=("$@")
here=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
xvfb_pid=""
# Wine's desktop process binds to the X display of the server's first
# program: the prefix's server is restarted around the probe, and left
# running afterwards without a display.
loader=${wine[${#wine[@]}-1]}
server=""
for candidate in "$(dirname "$loader")/wineserver64" "$(dirname "$loader")/wineserver" "$(command -v wineserver)"; do
  [ -x "$candidate" ] && server=$candidate && break
done
[ -n "$server" ] || { echo "FAILED: no wineserver beside $loader"; exit 1; }
restart_server() {
  "$server" -k >/dev/null 2>&1 && "$server" -w
  "$server" -p60 </dev/null >/dev/null 2>&1 || true
}
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
roaming=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
cleanup() {
  [ -n "$roaming" ] && rm -rf "$roaming/VarnelSoftware" || true
  (unset DISPLAY && restart_server && "${wine[@]}" wineboot </dev/null >/dev/null 2>&1) || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program starts with its designed options, whatever an earlier test left.
[ -n "$roaming" ] && rm -rf "$roaming/VarnelSoftware"

. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server
# Wine reads Z: as the Linux root.
"${wine[@]}" "$probe" "Z:${app//\//\\}" </dev/null
