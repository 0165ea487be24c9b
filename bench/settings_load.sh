#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up and close times of the calculator window with large settings
# files, as ratios to the same window with no settings file, measured side
# by side in interleaved rounds under an X server: from process start to the
# window mapped, and from the close request to the process gone (the file
# saved).
# Usage: bench/settings_load.sh [PATH/TO/exprcalc] [RUNS] [SIZES]
#   SIZES: numbers of history keys, or "limit" for a file at the 4 MiB
#   reading limit (default "1000 20000 limit")
set -euo pipefail
cd "$(dirname "$0")/.."
app=${1:-build/default/window/qt/exprcalc}
runs=${2:-9}
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
  python3 - "$1" "$2" <<'PY'
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
print(f"{n}: {i} keys, {size // 1024} KiB")
PY
}

cases=("no-file=$app,-")
for size in $sizes; do
  make_file "$size" "$work/$size.ini"
  cases+=("$size=$app,$work/$size.ini")
done
python3 bench/window_timing.py --runs "$runs" --close --settings "$settings" "${cases[@]}"
