#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a probe program on the Windows calculator under Wine in an X server of
# its own, the calculator starting with its designed options.
# Usage: run_probe.sh PROBE.exe EXPRCALC.exe WINE-COMMAND...
# (WINEPREFIX names the prefix, which must exist; PROBE_ARGS, when set, are
# the probe's arguments after the calculator's path; PROBE_DPI, when set, is
# the display's resolution for the run.)
set -euo pipefail
probe=$1
app=$2
shift 2
wine=("$@")
here=$(cd "$(dirname "$0")/../../.." && pwd)
. "$here/tests/e2e/harness.sh"
. "$here/tests/e2e/wine_server.sh"
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
roaming=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
forget_settings() { if [ -n "$roaming" ]; then rm -rf "$roaming/VarnelSoftware"; fi; }
dpi_key='HKCU\Control Panel\Desktop'
end_extra() {
  forget_settings
  [ -z "${PROBE_DPI:-}" ] || "${wine[@]}" reg delete "$dpi_key" /v LogPixels /f >/dev/null 2>&1 || true
  release_display
}

forget_settings
. "$here/tools/xvfb.sh"
start_xvfb "$work"
restart_server
# Wine's Z: drive is the root folder.
windows_path() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
if [ -n "${PROBE_DPI:-}" ]; then
  "${wine[@]}" reg add "$dpi_key" /v LogPixels /t REG_DWORD /d "$PROBE_DPI" /f >/dev/null 2>&1
fi
# shellcheck disable=SC2086 # PROBE_ARGS is a list of words
timeout 150 "${wine[@]}" "$probe" "$(windows_path "$app")" ${PROBE_ARGS:-} </dev/null
