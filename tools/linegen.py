# SPDX-License-Identifier: MIT
"""The command line the line generators share: COUNT lines from SEED, each
made by make_line(rng), to standard output."""
import random
import sys


def write_lines(make_line):
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    out = sys.stdout
    for _ in range(count):
        out.write(make_line(rng) + "\n")
