#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of the calculator window against a plain Qt 6 Widgets window with
# the same controls, side by side in interleaved rounds on an X server: the
# time from process start to the window mapped, and the peak resident memory
# by then, as medians and as medians of the per-round ratios.
# Usage: bench/startup.sh [RUNS]   (builds the bench preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-21}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
. tools/xvfb.sh
start_xvfb "$work"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
python3 bench/window_timing.py --runs "$runs" minimal=build/bench/bench/minimal_window \
  calculator=build/bench/window/qt/exprcalc
