# SPDX-License-Identifier: MIT
# Sourced by the tests that run Windows programs under Wine on an X server of
# their own, with wine=(WINE-COMMAND...) set. Wine's desktop process, which
# also serves the clipboard, binds to the X display of the server's first
# program: restart_server before the first program, and release_display at
# the end, which leaves the prefix's server running without a display.
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
release_display() {
  (unset DISPLAY && restart_server && "${wine[@]}" wineboot </dev/null >/dev/null 2>&1) || true
}
