#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up and close times of the calculator window with large settings
# files: from process start to the window shown, and from the close request
# to the process gone (the file saved), under an X server, median of RUNS.
# Usage: bench/settings_load.sh [PATH/TO/exprcalc] [RUNS] [SIZES]
#   SIZES: numbers of history keys, or "limit" for a file at the 4 MiB
#   reading limit (default "1000 20000 limit")
set -euo pipefail
cd "$(dirname "$0")/.."
app=${1:-build/default/window/qt/exprcalc}
runs=${2:-3}
sizes=${3:-1000 20000 limit}
work=$(mktemp -d)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
. tools/xvfb.sh
start_xvfb "$work"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
settings="$work/config/VarnelSoftware/Expression Calculator/brelmont.ini"
mkdir -p "$(dirname "$settings")"

# A file of N history keys; "limit" fills it up to the 4 MiB reading limit
# (less the room its rewrite needs).
make_file() {
  python3 - "$1" "$settings" <<'PY'
import sys
n, path = sys.argv[1], sys.argv[2]
lines = ["[Interface]", "Top=100", "Left=100", "Width=601", "[Expressions]"]
size = sum(len(l) + 2 for l in lines)
i = 0
while (n == "limit" and size < 4 * 1024 * 1024 - 4096) or (n != "limit" and i < int(n)):
    i += 1
    line = f"Expression{i}={i}*{i}"
    lines.append(line)
    size += len(line) + 2
open(path, "wb").write(("\r\n".join(lines) + "\r\n").encode())
print(i)
PY
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
now() { date +%s%N; }

for size in $sizes; do
  opens=()
  closes=()
  for _ in $(seq "$runs"); do
    keys=$(make_file "$size")
    start=$(now)
    "$app" >>"$work/app.log" 2>&1 &
    pid=$!
    until window=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" 2>/dev/null | head -n 1) &&
      [ -n "$window" ]; do
      kill -0 "$pid" 2>/dev/null || { cat "$work/app.log"; echo "the program ended before its window showed"; exit 1; }
      # Asking without a pause would use up the X server's client slots.
      sleep 0.01
    done
    shown=$(now)
    python3 tools/x11_close.py "$window"
    asked=$(now)
    while kill -0 "$pid" 2>/dev/null; do sleep 0.001; done
    gone=$(now)
    wait "$pid" 2>/dev/null || true
    opens+=($(((shown - start) / 1000000)))
    closes+=($(((gone - asked) / 1000000)))
  done
  printf '%-6s %7s keys, %5s KiB: start %6s ms, close %6s ms (median of %s)\n' "$size" "$keys" \
    "$(($(stat -c %s "$settings") / 1024))" "$(printf '%s\n' "${opens[@]}" | median)" \
    "$(printf '%s\n' "${closes[@]}" | median)" "$runs"
done
