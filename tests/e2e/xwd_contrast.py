#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The contrast (WCAG 2) of what is drawn in rectangles of an X window dump,
read from standard input: for each rectangle, the highest ratio between a
pixel and the rectangle's most common colour, its background.

Usage: xwd -id WINDOW | xwd_contrast.py X,Y,WIDTH,HEIGHT...   (one ratio a line)
"""
import collections
import sys

from xwd_colours import read_pixels


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4

    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def ratio(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def main():
    width, height, pixel = read_pixels(sys.stdin.buffer.read())
    for rectangle in sys.argv[1:]:
        left, top, w, h = (int(v) for v in rectangle.split(","))
        colours = [pixel(x, y) for y in range(top, min(top + h, height)) for x in range(left, min(left + w, width))]
        background = collections.Counter(colours).most_common(1)[0][0]
        print(f"{max(ratio(c, background) for c in set(colours)):.2f}")


if __name__ == "__main__":
    main()
