#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs every row of an examples table through exprcalc-cli and reports the
rows whose stream or text differ.

Usage: tools/check_examples.py [--runner=WORD ...] [--jobs=N] PATH/TO/exprcalc-cli PATH/TO/examples.tsv

Each --runner word goes before the executable, in order, for a program that
runs on another system: --runner=wine64 runs a Windows build under Wine.
"""
import argparse
import concurrent.futures
import subprocess
import sys


def unescape(field):
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "\\": "\\"}.get(field[i + 1], "\\" + field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


def read_rows(table):
    rows = []
    with open(table, encoding="utf-8") as f:
        next(f)
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            options, expression, stream, expected = (line.split("\t") + [""] * 4)[:4]
            rows.append((options, unescape(expression), stream, unescape(expected)))
    return rows


def check(command, row):
    options, expression, stream, expected = row
    p = subprocess.run([*command, *options.split(), "--", expression], capture_output=True)
    out = p.stdout.decode("utf-8", "replace")
    err = p.stderr.decode("utf-8", "replace")
    got_stream, got = ("err", err) if err else ("out", out)
    got = got[:-1] if got.endswith("\n") else got
    if got_stream != stream or got != expected:
        return f"FAIL [{options}] {expression[:70]!r}: expected {stream} {expected!r}, got {got_stream} {got!r}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runner", action="append", default=[], help="a word to put before the executable")
    parser.add_argument("--jobs", type=int, default=1, help="rows checked at the same time")
    parser.add_argument("cli")
    parser.add_argument("table")
    args = parser.parse_args()

    command = [*args.runner, args.cli]
    rows = read_rows(args.table)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        results = list(pool.map(lambda row: check(command, row), rows))
    failures = [r for r in results if r]
    for failure in failures:
        print(failure)
    print(f"{len(rows) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
