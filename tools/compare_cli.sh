#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Feeds two builds of exprcalc-cli the same generated lines and compares their
# standard output, standard error and exit status byte for byte, without
# options and with -s -d. Half the lines come from tools/gen_bc_lines.py, half
# from tools/gen_evaluator_lines.py, alternating. Prints the first difference
# and fails when there is one.
#
# Usage: tools/compare_cli.sh OLD_CLI NEW_CLI [LINES] [SEED]   (defaults 200000, 1)
# For example, against the build of an earlier commit:
#   git worktree add /tmp/exprcalc-old <commit>
#   cmake -S /tmp/exprcalc-old -B /tmp/exprcalc-old/build -G Ninja -DCALC_WINDOW=OFF -DCALC_TESTS=OFF
#   cmake --build /tmp/exprcalc-old/build --target exprcalc-cli
#   tools/compare_cli.sh /tmp/exprcalc-old/build/cli/exprcalc-cli build/default/cli/exprcalc-cli
set -euo pipefail
cd "$(dirname "$0")/.."
old=$1
new=$2
lines=${3:-200000}
seed=${4:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tools/gen_bc_lines.py $((lines / 2)) "$seed" >"$work/bc.txt"
tools/gen_evaluator_lines.py $((lines - lines / 2)) "$seed" >"$work/evaluator.txt"
paste -d '\n' "$work/bc.txt" "$work/evaluator.txt" | head -n "$lines" >"$work/lines.txt"

failed=0
for options in "" "-sd"; do
  for side in old new; do
    cli=$old
    [ "$side" = new ] && cli=$new
    status=0
    # shellcheck disable=SC2086 # no options is no argument
    "$cli" $options <"$work/lines.txt" >"$work/$side.out" 2>"$work/$side.err" || status=$?
    echo "$status" >"$work/$side.status"
  done
  for stream in out err status; do
    if ! cmp -s "$work/old.$stream" "$work/new.$stream"; then
      echo "options '${options}': standard $stream differs:"
      diff "$work/old.$stream" "$work/new.$stream" | head -n 10
      failed=1
    fi
  done
  echo "options '${options}': $(wc -l <"$work/lines.txt") lines," \
    "$(wc -l <"$work/new.out") results, $(wc -l <"$work/new.err") messages, exit status $(cat "$work/new.status")"
done
if [ "$failed" = 0 ]; then
  echo "identical"
else
  echo "DIFFERENT"
  exit 1
fi
