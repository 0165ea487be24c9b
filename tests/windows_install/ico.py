#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads Windows icons for the release tests.

  ico.py list FILE.ico
      One line per image: WIDTHxHEIGHT, bits per pixel, BMP or PNG, and a
      digest of the image's bytes.
  ico.py window FILE.ico < XPROP_OUTPUT
      Reads a window's _NET_WM_ICON as `xprop -notype -f _NET_WM_ICON 32c
      '=$0+' _NET_WM_ICON` prints it and says for each of its icons whether
      the pixels are those of the file's image of that size: "32x32 same".
"""
import hashlib
import struct
import sys


def images(path):
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        sys.exit(f"{path}: not an icon file")
    for index in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
        yield width or 256, height or 256, bits, data[offset : offset + size]


def argb_pixels(image):
    """The top-down 0xAARRGGBB values of a 32-bit BMP image."""
    _, width, double_height, _, bits = struct.unpack_from("<IiiHH", image, 0)
    if bits != 32:
        return None
    height = double_height // 2
    rows = [image[40 + y * width * 4 : 40 + (y + 1) * width * 4] for y in range(height)]
    return [value for row in reversed(rows) for (value,) in struct.iter_unpack("<I", row)]


def list_images(path):
    for width, height, bits, image in images(path):
        kind = "PNG" if image.startswith(b"\x89PNG\r\n\x1a\n") else "BMP"
        print(f"{width}x{height} {bits} {kind} {hashlib.sha256(image).hexdigest()[:16]}")


def compare_window_icons(path):
    by_size = {(width, height): image for width, height, _, image in images(path)}
    text = sys.stdin.read()
    if "=" not in text:
        sys.exit(f"no _NET_WM_ICON in: {text.strip()}")
    values = [int(value) for value in text.split("=", 1)[1].replace("\n", "").split(",")]
    position = 0
    while position + 2 <= len(values):
        width, height = values[position : position + 2]
        shown = values[position + 2 : position + 2 + width * height]
        position += 2 + width * height
        image = by_size.get((width, height))
        if image is None:
            print(f"{width}x{height} not in the file")
        elif shown == argb_pixels(image):
            print(f"{width}x{height} same")
        else:
            print(f"{width}x{height} differs")


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("list", "window"):
        sys.exit(__doc__)
    if sys.argv[1] == "list":
        list_images(sys.argv[2])
    else:
        compare_window_icons(sys.argv[2])


if __name__ == "__main__":
    main()
