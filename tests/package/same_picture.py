#!/usr/bin/env python3
"""Compares the pixels of two PNG pictures (8-bit RGB or RGBA, not interlaced).

Usage: same_picture.py REFERENCE ACTUAL
Exit status 0 when both have the same size and every pixel is equal, 1 when
they differ (with a count of the differing pixels), 2 when one cannot be read.
The encoded bytes are not compared: another libpng may compress differently.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from png_pixels import read_png  # noqa: E402


def main():
    try:
        reference, actual = (read_png(p) for p in sys.argv[1:3])
    except (OSError, ValueError) as e:
        print(f"cannot read the pictures: {e}")
        return 2
    if reference[:2] != actual[:2]:
        print(f"sizes differ: {reference[:2]} and {actual[:2]}")
        return 1
    differing = sum(reference[2][i:i + 3] != actual[2][i:i + 3]
                    for i in range(0, len(reference[2]), 3))
    if differing:
        print(f"{differing} pixels differ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
