#!/usr/bin/env python3
"""Compares the pixels of two PNG pictures (8-bit RGB or RGBA, not interlaced).

Usage: same_picture.py REFERENCE ACTUAL
Exit status 0 when both have the same size and every pixel is equal, 1 when
they differ (with a count of the differing pixels), 2 when one cannot be read.
The encoded bytes are not compared: another libpng may compress differently.
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("only 8-bit RGB or RGBA, not interlaced")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                guess = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + guess) & 0xFF
        rows.append([bytes(line[i:i + 3]) for i in range(0, stride, step)])
        previous = line
    return width, height, rows


def main():
    try:
        reference, actual = (read_png(p) for p in sys.argv[1:3])
    except (OSError, ValueError, TypeError, struct.error, zlib.error) as e:
        print(f"cannot read the pictures: {e}")
        return 2
    if reference[:2] != actual[:2]:
        print(f"sizes differ: {reference[:2]} and {actual[:2]}")
        return 1
    differing = sum(a != b for ra, rb in zip(reference[2], actual[2])
                    for a, b in zip(ra, rb))
    if differing:
        print(f"{differing} pixels differ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
