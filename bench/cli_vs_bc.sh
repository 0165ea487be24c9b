#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# exprcalc-cli against `bc -l` on the same lines, from both line generators
# (tools/gen_bc_lines.py: the syntax both read, some lines end in a message;
# tools/gen_everyday_lines.py: everyday lines that always have a result), with
# the output (standard output and error) going to a file and through a pipe
# to a reader. Every program runs pinned to one core together with the pipe's
# reader; each round runs them all once, in an order that rotates from round
# to round. The figures are medians of the per-round ratios to bc, of wall
# time and of CPU time (user + system, the pipe's reader included).
# Usage: bench/cli_vs_bc.sh [LINES] [ROUNDS] [CLI ...]
#   defaults: 100000 lines, 7 rounds, build/bench/cli/exprcalc-cli (built here
#   with the bench preset when missing). Several CLIs, such as an older build,
#   are measured in the same rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-100000}
rounds=${2:-7}
shift $(($# < 2 ? $# : 2))
clis=("$@")
[ ${#clis[@]} -gt 0 ] || clis=(build/bench/cli/exprcalc-cli)
command -v bc >/dev/null || { echo "bc is not installed (apt-get install bc)"; exit 1; }
if [ ! -x "${clis[0]}" ] && [ "${clis[0]}" = build/bench/cli/exprcalc-cli ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target exprcalc-cli >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
generators=(gen_bc_lines gen_everyday_lines)
for generator in "${generators[@]}"; do tools/$generator.py "$lines" 1 >"$work/$generator.txt"; done

python3 - "$work" "$rounds" "${generators[@]}" -- "${clis[@]}" <<'EOF'
import os
import shutil
import statistics
import subprocess
import sys
import time

work, rounds = sys.argv[1], int(sys.argv[2])
split = sys.argv.index("--")
generators, clis = sys.argv[3:split], [os.path.abspath(c) for c in sys.argv[split + 1:]]
core = os.cpu_count() - 1
pin = ["taskset", "-c", str(core)] if shutil.which("taskset") else []
programs = [("bc -l", ["bc", "-l"])] + [(c, [c]) for c in clis]


def run_once(kind, lines, command):
    """Wall and CPU seconds of one run, the pipe's reader included."""
    with open(lines, "rb") as source, open(os.path.join(work, "output"), "wb") as sink:
        if kind == "file":
            argv, out = pin + command, sink
        else:
            argv, out = pin + ["sh", "-c", '"$@" 2>&1 | cat >/dev/null', "sh"] + command, subprocess.DEVNULL
        start = time.perf_counter()
        proc = subprocess.Popen(argv, stdin=source, stdout=out, stderr=subprocess.STDOUT)
        _, _, usage = os.wait4(proc.pid, 0)
        proc.returncode = 0
        return time.perf_counter() - start, usage.ru_utime + usage.ru_stime


times = {}
for r in range(rounds):
    for generator in generators:
        for kind in ("file", "pipe"):
            order = programs[r % len(programs):] + programs[:r % len(programs)]
            for name, command in order:
                times[generator, kind, name, r] = run_once(kind, os.path.join(work, generator + ".txt"), command)

print(f"{rounds} rounds, every program on cpu {core} with the pipe's reader; times are medians in ms,")
print("ratios the medians (and ranges) of the per-round ratios to bc -l")
print(f"{'generator':<19} {'out':<4} {'program':<36} {'wall':>7} {'bc':>7} {'ratio':>6} {'range':>12}"
      f" {'cpu':>7} {'bc':>7} {'ratio':>6} {'range':>12}")
for generator in generators:
    for kind in ("file", "pipe"):
        for name, _ in programs[1:]:
            row = f"{generator:<19} {kind:<4} {('...' + name[-33:]) if len(name) > 36 else name:<36}"
            for index in (0, 1):
                mine = [times[generator, kind, name, r][index] for r in range(rounds)]
                bc = [times[generator, kind, "bc -l", r][index] for r in range(rounds)]
                ratios = [m / b for m, b in zip(mine, bc)]
                row += (f" {statistics.median(mine) * 1000:7.0f} {statistics.median(bc) * 1000:7.0f}"
                        f" {statistics.median(ratios):6.3f} {min(ratios):5.3f}-{max(ratios):5.3f}")
            print(row)
EOF
