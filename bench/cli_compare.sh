#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs two builds of exprcalc-cli on the same lines and compares standard
# output, standard error and the exit status byte for byte: the three line
# generators' lines (LINES each; tools/gen_evaluator_lines.py reaches every
# path of the evaluator) and lines that end in messages (bad UTF-8,
# control characters, long lines, unknown characters, overflow), with and
# without the display options, into files, into one file (2>&1) and through
# a pipe. Prints one row per run and exits non-zero on any difference.
# Usage: bench/cli_compare.sh OLD_CLI NEW_CLI [LINES]   (default 100000)
# For example, against the commit before a change:
#   git worktree add /tmp/old HEAD~1 && (cd /tmp/old && cmake --preset cli-only && cmake --build --preset cli-only)
#   bench/cli_compare.sh /tmp/old/build/cli-only/cli/exprcalc-cli build/default/cli/exprcalc-cli
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1")
new=$(realpath "$2")
lines=${3:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tools/gen_bc_lines.py "$lines" 1 >"$work/bc_lines.txt"
tools/gen_everyday_lines.py "$lines" 1 >"$work/everyday_lines.txt"
tools/gen_evaluator_lines.py "$lines" 1 >"$work/evaluator_lines.txt"
python3 - "$work/error_lines.txt" <<'EOF'
import random
import sys

rng = random.Random(7)
pieces = ["1/0", "sqrt(-4)", "-2^2", "1E5000", "1E3001*1", "2E*3", "(2+2", "2+2)", "()", "fact(171)", "tan(90)",
          "ln(0)", "2\x1b+3", "1\t+1", "\x00", "2+2\r", "  (2 + 2) / 3  ", "", "1,234.5678", "2x3", "pi*2",
          "\xc3\xa9", "\u00a0", "\U0001F600", "2+\x7f", "\u009b", ",,,", "1e9", "0.000", "2^3^2", "inv(0)"]
bad = [b"\xff", b"2+\xc3", b"\xc0\xaf", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\x80"]
with open(sys.argv[1], "wb") as out:
    for i in range(2000):
        kind = rng.random()
        if kind < 0.6:
            line = "+".join(rng.choice(pieces) for _ in range(rng.randint(1, 3))).encode()
        elif kind < 0.8:
            line = rng.choice(pieces).encode() + rng.choice(bad) + rng.choice(pieces).encode()
        else:
            length = rng.choice([250, 255, 256, 4095, 4096, 4097, 5000, 70000])
            fill = rng.choice([b" ", b",", b"1", b"\t", b"(", b"1+"])
            line = (fill * length)[:length]
            if rng.random() < 0.5:
                line = b" " * rng.randint(0, 9000) + b"2+2" + line[: max(0, length - 3)]
            if rng.random() < 0.3:
                line += rng.choice(bad)
        out.write(line + (b"\r\n" if i % 17 == 0 else b"\n"))
    out.write(b"1+1")  # no line end at the end of the input
EOF

differences=0
compare() {  # label, then the words after the program
  local label=$1 options=$2 input=$3 kind=$4 side
  for side in old new; do
    local program=${!side} out="$work/$side.out" err="$work/$side.err" status
    set +e
    case $kind in
      files) "$program" $options <"$input" >"$out" 2>"$err" ;;
      one-file) "$program" $options <"$input" >"$out" 2>&1 ;;
      pipe) "$program" $options <"$input" 2>"$err" | cat >"$out" ;;
    esac
    status=${PIPESTATUS[0]}
    set -e
    [ "$kind" = one-file ] && : >"$err"
    echo "$status" >"$work/$side.status"
  done
  local verdict=same
  for part in out err status; do
    cmp -s "$work/old.$part" "$work/new.$part" || verdict="DIFFERENT ($part)"
  done
  [ "$verdict" = same ] || differences=$((differences + 1))
  printf '%-16s %-6s %-9s %7d lines  %7d out lines  %6d err lines  status %s  %s\n' "$label" "${options:--}" "$kind" \
    "$(wc -l <"$input")" "$(wc -l <"$work/new.out")" "$(wc -l <"$work/new.err")" "$(cat "$work/new.status")" "$verdict"
}

for input in bc_lines everyday_lines evaluator_lines error_lines; do
  for options in "" "-s -d"; do
    for kind in files one-file pipe; do
      compare "$input" "$options" "$work/$input.txt" "$kind"
    done
  done
done
echo "runs with differences: $differences"
[ "$differences" -eq 0 ]
