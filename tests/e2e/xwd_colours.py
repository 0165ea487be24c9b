#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Counts the pixels of one colour in an X window dump (xwd, 24 or 32 bits per
pixel, ZPixmap), read from standard input.

Usage: xwd -id WINDOW | xwd_colours.py RED GREEN BLUE   (prints the count)
"""
import struct
import sys


def read_pixels(data):
    """The dump's width, height and a function giving the (red, green, blue)
    of the pixel at x, y."""
    header = struct.unpack(">25I", data[:100])
    header_size, pixmap_format, width, height = header[0], header[2], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    red_mask, green_mask, blue_mask, ncolors = header[14], header[15], header[16], header[19]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        sys.exit(f"unsupported dump: format {pixmap_format}, {bits_per_pixel} bits per pixel")
    pixels = data[header_size + ncolors * 12:]
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    def pixel(x, y):
        start = y * bytes_per_line + x * step
        value = int.from_bytes(pixels[start:start + step], order)
        return channel(value, red_mask), channel(value, green_mask), channel(value, blue_mask)

    return width, height, pixel


def main():
    wanted = tuple(int(v) for v in sys.argv[1:4])
    width, height, pixel = read_pixels(sys.stdin.buffer.read())
    print(sum(pixel(x, y) == wanted for y in range(height) for x in range(width)))


if __name__ == "__main__":
    main()
