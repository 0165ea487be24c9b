#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the libFuzzer targets of build/fuzz: the evaluator for $1 seconds, the
# number text and the fast routines against their references for $2 seconds
# each, and the settings document for $3 seconds (defaults 25, 5 and 10).
# Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
evaluate_seconds=${1:-25}
numtext_seconds=${2:-5}
settingsdoc_seconds=${3:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/evaluate" "$work/numtext" "$work/reference" "$work/settingsdoc"

run() {
  local name=$1 seconds=$2
  shift 2
  if ! (cd "$work" && "$OLDPWD/build/fuzz/fuzz/${name}_fuzzer" -max_total_time="$seconds" -print_final_stats=0 \
        "$@" >"$work/$name.log" 2>&1); then
    tail -n 40 "$work/$name.log"
    echo "fuzzing $name: FAILED (the input is in the log above)"
    exit 1
  fi
  echo "fuzzing $name: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$work/$name.log" | tail -n 1)s, no finding"
}

run evaluate "$evaluate_seconds" -dict="$PWD/fuzz/evaluate.dict" -max_len=600 "$work/evaluate" "$PWD/fuzz/corpus/evaluate"
run numtext "$numtext_seconds" "$work/numtext"
run reference "$numtext_seconds" -max_len=400 "$work/reference" "$PWD/fuzz/corpus/reference"
run settingsdoc "$settingsdoc_seconds" -max_len=4096 "$work/settingsdoc" "$PWD/fuzz/corpus/settingsdoc"
