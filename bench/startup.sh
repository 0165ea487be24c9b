#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up time of the calculator window against a minimal Qt 6 Widgets
# window with the same controls, from process start to the window shown on
# an X server, over several runs; and the calculator's peak memory.
# Usage: bench/startup.sh [RUNS]   (builds the bench preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d)
xvfb_pid=""
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
. tools/xvfb.sh
start_xvfb "$work"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb

# Prints milliseconds from start to the window being visible; leaves the
# process's peak resident memory (kB) in $work/peak.
measure() {
  local program=$1 title=$2
  local start end pid
  start=$(date +%s%N)
  "$program" >/dev/null 2>&1 &
  pid=$!
  # xdotool's own --sync polls only twice a second; ask in a tight loop.
  until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do :; done
  end=$(date +%s%N)
  grep VmHWM "/proc/$pid/status" | awk '{print $2}' >"$work/peak"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

calc_times=()
minimal_times=()
for _ in $(seq "$runs"); do
  minimal_times+=("$(measure build/bench/bench/minimal_window "Minimal Qt window")")
  calc_times+=("$(measure build/bench/window/qt/exprcalc "Varnel's Expression calculator")")
done
calc=$(printf '%s\n' "${calc_times[@]}" | median)
minimal=$(printf '%s\n' "${minimal_times[@]}" | median)
echo "runs: $runs"
echo "calculator start to window shown, median: ${calc} ms (all: ${calc_times[*]})"
echo "minimal Qt window, median:                ${minimal} ms (all: ${minimal_times[*]})"
awk -v c="$calc" -v m="$minimal" 'BEGIN {printf "ratio calculator / minimal: %.2f\n", c / m}'
echo "calculator peak resident memory: $(cat "$work/peak") kB"
