#!/usr/bin/env python3
"""Runs every row of an examples table through exprcalc-cli and reports the
rows whose stream or text differ.

Usage: tools/check_examples.py PATH/TO/exprcalc-cli PATH/TO/examples.tsv
"""
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


def main():
    cli, table = sys.argv[1], sys.argv[2]
    failures = 0
    rows = 0
    with open(table, encoding="utf-8") as f:
        next(f)
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            options, expression, stream, expected = (line.split("\t") + [""] * 4)[:4]
            expression, expected = unescape(expression), unescape(expected)
            rows += 1
            p = subprocess.run([cli, *options.split(), "--", expression], capture_output=True)
            out = p.stdout.decode("utf-8", "replace")
            err = p.stderr.decode("utf-8", "replace")
            got_stream, got = ("err", err) if err else ("out", out)
            got = got[:-1] if got.endswith("\n") else got
            if got_stream != stream or got != expected:
                failures += 1
                print(f"FAIL [{options}] {expression[:70]!r}: expected {stream} {expected!r}, got {got_stream} {got!r}")
    print(f"{rows - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
