#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Eight windows ended at the same moment, as a log-out or shut-down ends
# them: with a full history of 50 entries, each window calculates its own
# expression, then all of them get SIGTERM at once. The file keeps all
# eight expressions, at most 50 entries and no two alike, in three rounds
# out of three.
# Usage: many_windows_e2e.sh PATH/TO/exprcalc
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/e2e/harness.sh"
x_session

pids=()
end_extra() { [ ${#pids[@]} -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null || true; }
. "$here/tests/e2e/window_actions.sh"

# Starts one more window, as from a terminal (a script's background job
# would ignore SIGINT), and waits until it shows on top of the others.
start_another() {
  local before
  before=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" 2>/dev/null || true)
  env --default-signal=INT,HUP,TERM "$app" >>"$work/app.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  window=""
  for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name "Varnel's Expression calculator" 2>/dev/null | grep -vxF "$before" | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "window $((${#pids[@]})) did not appear"
}

for round in 1 2 3; do
  mkdir -p "$(dirname "$settings")"
  {
    printf '[Expressions]\r\n'
    for i in $(seq 50); do printf 'Expression%d=%d\r\n' "$i" "$i"; done
  } >"$settings"
  pids=()
  for i in $(seq 8); do
    start_another
    calculate_in "$window" "80$i+$i"
    copied "$((800 + 2 * i))" || fail "round $round: window $i did not calculate 80$i+$i"
  done
  kill -TERM "${pids[@]}"
  for _ in $(seq 300); do
    alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.1
  done
  [ "$alive" = 0 ] || fail "round $round: the windows did not all end within 30 seconds"
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  pids=()
  entries=$(grep '^Expression' "$settings" | tr -d '\r' | cut -d= -f2-)
  for i in $(seq 8); do
    grep -qxF "80$i+$i" <<<"$entries" || fail "round $round: 80$i+$i was lost ($(head -n 8 <<<"$entries" | tr '\n' ' '))"
  done
  [ "$(wc -l <<<"$entries")" -le 50 ] || fail "round $round: more than 50 entries"
  [ "$(sort <<<"$entries" | uniq -d)" = "" ] || fail "round $round: an entry is in the history twice"
done
echo "many windows ended at once: passed"
