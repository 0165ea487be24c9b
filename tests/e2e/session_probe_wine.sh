#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the session probe under Wine in an X server of its own: it starts the
# Windows calculator, checks its list rows and where the keyboard focus goes,
# ends the session as Windows does, and reads the settings file.
# Usage: session_probe_wine.sh PATH/TO/session_probe.exe PATH/TO/exprcalc.exe WINE-COMMAND...
# (WINEPREFIX names the prefix, which must exist.)
set -euo pipefail
probe=$1
app=$2
shift 2
wine=("$@")
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
xvfb_pid=""
. "$here/tests/e2e/wine_server.sh"
cleanup() {
  release_display
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server
# Wine's Z: drive is the root folder.
windows_path() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
timeout 150 "${wine[@]}" "$probe" "$(windows_path "$app")" </dev/null
