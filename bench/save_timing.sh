#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the close's save of a 50-entry settings file in two source trees
# (each configured with the default preset and built), turn about, so both
# see the same load: bench/save_timing.cpp against each tree's libraries.
# Usage: bench/save_timing.sh OLD-TREE NEW-TREE [TURNS]
# Prints each tree's median save and the median difference, in microseconds.
set -euo pipefail
old=$1 new=$2 turns=${3:-15}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work
qt=$(pkg-config --cflags --libs Qt6Widgets)
for tree in old new; do
  root=${!tree}
  b=$root/build/default
  # shellcheck disable=SC2086
  g++ -std=c++20 -O2 -fPIC -I"$root/core" -I"$root/support/qt" -I"$root/evaluator" -I"$b/generated" \
    "$here/save_timing.cpp" "$b/support/qt/libcalc_support_qt.a" "$b/core/libcalc_core.a" \
    "$b/evaluator/libcalc_evaluator.a" $qt -o "$work/$tree"
  mkdir -p "$work/$tree-folder"
done
for _ in $(seq "$turns"); do
  for tree in old new; do "$work/$tree" "$work/$tree-folder" 20 >>"$work/$tree.txt"; done
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
o=$(cut -d' ' -f1 "$work/old.txt" | median)
n=$(cut -d' ' -f1 "$work/new.txt" | median)
echo "save of a 50-entry file, median of $turns turns of 20 saves: old ${o} us, new ${n} us, new - old $((n - o)) us"
