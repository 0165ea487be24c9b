#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Counts the pixels that differ between two dumps of one X window (xwd) in a
rectangle placed from the window's right edge, as the controls that follow
that edge are.

Usage: xwd_differ.py A.xwd B.xwd RIGHT TOP WIDTH HEIGHT   (prints the count)
The rectangle's left edge is the window's width less RIGHT.
"""
import sys

from xwd_colours import read_pixels


def main():
    right, top, width, height = (int(v) for v in sys.argv[3:7])
    dumps = []
    for path in sys.argv[1:3]:
        with open(path, "rb") as f:
            dumps.append(read_pixels(f.read()))
    (width_a, _, pixel_a), (width_b, _, pixel_b) = dumps
    if width_a != width_b:
        sys.exit(f"the window's width changed from {width_a} to {width_b}")
    left = width_a - right
    print(sum(pixel_a(x, y) != pixel_b(x, y) for y in range(top, top + height) for x in range(left, left + width)))


if __name__ == "__main__":
    main()
