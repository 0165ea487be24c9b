#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Heap allocations and write() calls per input line of exprcalc-cli, on the
# lines of both line generators, with the output going to a file and through
# a pipe. Allocations are valgrind's count less that of an empty input;
# writes are strace's count of the program's own write() calls.
# Usage: bench/cli_counts.sh [LINES] [CLI ...]
#   defaults: 10000 lines, build/bench/cli/exprcalc-cli. Needs valgrind and
#   strace (apt-get install valgrind strace).
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-10000}
shift $(($# < 1 ? $# : 1))
clis=("$@")
[ ${#clis[@]} -gt 0 ] || clis=(build/bench/cli/exprcalc-cli)
for tool in valgrind strace; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (apt-get install $tool)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

allocations() {  # program, input
  { valgrind "$1" <"$2" 2>&1 >/dev/null || true; } | sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' | tr -d ,
}

writes() {  # program, input, output kind
  case $3 in
    file) strace -c -e trace=write -o "$work/strace" "$1" <"$2" >"$work/output" 2>&1 || true ;;
    pipe) strace -c -e trace=write -o "$work/strace" "$1" <"$2" 2>&1 | cat >/dev/null || true ;;
  esac
  awk '$NF == "write" { calls = $4 } END { print calls + 0 }' "$work/strace"
}

printf '%-20s %-40s %12s %14s %14s\n' generator program "allocs/line" "writes (file)" "writes (pipe)"
for generator in gen_bc_lines gen_everyday_lines; do
  tools/$generator.py "$lines" 1 >"$work/lines.txt"
  for cli in "${clis[@]}"; do
    base=$(allocations "$cli" /dev/null)
    all=$(allocations "$cli" "$work/lines.txt")
    name=$cli
    if [ ${#name} -gt 40 ]; then name="...${name: -37}"; fi
    printf '%-20s %-40s %12s %14s %14s\n' "$generator" "$name" \
      "$(awk -v a="$all" -v b="$base" -v n="$lines" 'BEGIN { printf "%.2f", (a - b) / n }')" \
      "$(writes "$cli" "$work/lines.txt" file)" "$(writes "$cli" "$work/lines.txt" pipe)"
  done
done
echo "($lines lines per generator)"
