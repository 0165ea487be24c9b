#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the rows of an examples table through exprcalc-cli on standard input:
one process for each set of options, all at once, and reports the rows whose
stream or text differ. A message read from standard input starts with
"<stdin>:LINE: ", the row's line in its process's input.

Usage: examples_stdin.py TABLE COMMAND... (COMMAND runs exprcalc-cli; the
options of each row set follow it)
"""
import concurrent.futures
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from check_examples import read_rows  # noqa: E402

# Under qemu's x87 emulation FSIN, FCOS and FPTAN are computed in double
# precision, so digits that come from a sine, cosine or tangent differ in the
# last places there (and only there). Such rows are compared for their
# message or their first 12 significant digits; near a pole of the tangent
# the argument's rounding to a double moves the value by a part in about
# 2^52 / |value|, so there the digits are compared that far.
TRIGONOMETRY = re.compile(r"(?<!arc)(sin|cos|tan)", re.IGNORECASE)
WINE_LINE = re.compile(r"^([0-9a-f]{4}:)?(err|fixme|warn|trace):|^wine:|^qemu")
# Now and then qemu finds the address that Wine keeps for its shared user
# data taken when a 32-bit process starts: Wine says so and the process ends
# before the program ran. Only such a start is made again (a fault of the
# emulator, not of the program).
START_FAILED = "failed to map the shared user data"
START_TRIES = 3
NUMBER = re.compile(r"-?[0-9,]*\.?[0-9]*(E[-+]?[0-9]+)?")


def number(text):
    if not NUMBER.fullmatch(text) or not any(c.isdigit() for c in text):
        return None
    return float(text.replace(",", ""))


def same(expression, stream, expected, got):
    if got == expected:
        return True
    if stream == "out" and TRIGONOMETRY.search(expression):
        want, have = number(expected), number(got)
        if want is None or have is None:
            return False
        return abs(have - want) <= max(5e-12, 2.0**-52 * abs(want)) * abs(want)
    return False


def start_failed(p):
    """Whether the process failed to start before the program ran: it failed,
    wrote nothing to standard output, and Wine's report of the failure is the
    first line of standard error, Wine's and the emulator's notes aside."""
    if p.returncode == 0 or p.stdout:
        return False
    for line in p.stderr.decode("utf-8", "replace").split("\n"):
        if START_FAILED in line:
            return True
        if not WINE_LINE.match(line):
            return False
    return False


def run(command, options, rows):
    """One process for the rows of one set of options: its results and messages
    in the rows' order, and whether its exit status is the expected one."""
    text = "".join(expression + "\n" for _, expression, _, _ in rows)
    for attempt in range(1, START_TRIES + 1):
        p = subprocess.run([*command, *options.split()], input=text.encode("utf-8"), capture_output=True, timeout=900)
        if not start_failed(p) or attempt == START_TRIES:
            break
        print(f"[{options}] the emulator could not start Wine's 32-bit process (try {attempt}): starting it again",
              file=sys.stderr, flush=True)
    out = p.stdout.decode("utf-8", "replace").split("\n")
    err = p.stderr.decode("utf-8", "replace").split("\n")
    # Wine's and the emulator's own lines tell a failed start or a crash
    # apart from a wrong result.
    own = [line for line in err if WINE_LINE.match(line)]
    if own or p.returncode not in (0, 1):
        return [f"FAIL [{options}] Wine or the emulator, exit status {p.returncode}: " + "\n  ".join(own[:20])], 0
    failures, partial = [], 0
    lines = {"out": iter(out), "err": iter(err)}
    for number, (_, expression, stream, expected) in enumerate(rows, 1):
        if stream == "err":
            expected = f"<stdin>:{number}: {expected}"
        got = next(lines[stream], None)
        if got is None:
            failures.append(f"FAIL [{options}] {expression[:70]!r}: expected {stream} {expected!r}, got no line")
            break
        if not same(expression, stream, expected, got):
            failures.append(f"FAIL [{options}] {expression[:70]!r}: expected {stream} {expected!r}, got {got!r}")
        elif got != expected:
            partial += 1
    for stream in ("out", "err"):
        rest = [line for line in lines[stream] if line]
        if rest:
            failures.append(f"FAIL [{options}] {len(rest)} more lines on std{stream}: {rest[:3]!r}")
    messages = any(stream == "err" for _, _, stream, _ in rows)
    if p.returncode != (1 if messages else 0):
        failures.append(f"FAIL [{options}] exit status {p.returncode}, expected {1 if messages else 0}")
    return failures, partial


def main():
    table, command = sys.argv[1], sys.argv[2:]
    groups = {}
    for row in read_rows(table):
        groups.setdefault(row[0], []).append(row)
    trigonometry = sum(1 for _, e, s, _ in read_rows(table) if s == "out" and TRIGONOMETRY.search(e))
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(groups)) as pool:
        results = list(pool.map(lambda item: run(command, *item), groups.items()))
    failures = [f for fs, _ in results for f in fs]
    for failure in failures:
        print(failure)
    rows = sum(len(g) for g in groups.values())
    print(f"{rows} rows in {len(groups)} processes ({', '.join(repr(o) for o in groups)}): {len(failures)} failed; "
          f"{trigonometry} results of SIN, COS or TAN compared to 12 significant digits or as a double allows, "
          f"{sum(p for _, p in results)} of them differing further")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
