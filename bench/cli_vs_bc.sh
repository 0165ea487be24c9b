#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# exprcalc-cli against `bc -l` on the same generated lines (the syntax both
# read: + - * /, integer powers, brackets, sqrt, decimals). Prints the best
# wall time of each over several runs and the ratio cli / bc.
# Usage: bench/cli_vs_bc.sh [LINES] [RUNS] [CLI]
#   defaults: 100000 lines, 5 runs, build/bench/cli/exprcalc-cli (built here
#   with the bench preset when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-100000}
runs=${2:-5}
cli=${3:-build/bench/cli/exprcalc-cli}
command -v bc >/dev/null || { echo "bc is not installed (apt-get install bc)"; exit 1; }
if [ ! -x "$cli" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target exprcalc-cli >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tools/gen_bc_lines.py "$lines" >"$work/lines.txt"

# Best of $runs wall-clock times in milliseconds of the command line given.
best_ms() {
  local best=
  for _ in $(seq "$runs"); do
    local start end ms
    start=$(date +%s%N)
    "$@" <"$work/lines.txt" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

# Interleave the two so both see the same machine.
cli_best=
bc_best=
for _ in $(seq "$runs"); do
  c=$(runs=1 best_ms "$cli")
  b=$(runs=1 best_ms bc -l)
  if [ -z "$cli_best" ] || [ "$c" -lt "$cli_best" ]; then cli_best=$c; fi
  if [ -z "$bc_best" ] || [ "$b" -lt "$bc_best" ]; then bc_best=$b; fi
done
echo "lines: $lines, best of $runs interleaved runs"
echo "exprcalc-cli: ${cli_best} ms"
echo "bc -l:        ${bc_best} ms"
awk -v c="$cli_best" -v b="$bc_best" 'BEGIN {printf "ratio exprcalc-cli / bc -l: %.2f\n", c / b}'
