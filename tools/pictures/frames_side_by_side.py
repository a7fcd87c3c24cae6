#!/usr/bin/env python3
"""Puts frames of two runs side by side: one row per frame, the frame of the
first run, of the second, and their difference (absolute, per channel, times
8), for looking at a deliberate change of the renderer's output. Prints per
frame how many pixels differ and by how much at most.

usage: frames_side_by_side.py OLD_DIR NEW_DIR OUT.png
  OLD_DIR, NEW_DIR: frame_NNNNN.png pictures of the same frames, as
  handheld-sim --png writes them.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "support"))
from png_pixels import read_png  # noqa: E402

GAP = 4


def write_png(path, width, height, rgb):
    raw = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    old_dir, new_dir, out = sys.argv[1:]
    names = sorted(n for n in os.listdir(old_dir) if n.endswith(".png"))
    if not names:
        sys.exit(f"frames_side_by_side: no pictures in {old_dir}")
    rows = []
    for name in names:
        w, h, old = read_png(os.path.join(old_dir, name))
        w2, h2, new = read_png(os.path.join(new_dir, name))
        if (w, h) != (w2, h2):
            sys.exit(f"frames_side_by_side: {name} differs in size")
        diff = bytes(min(255, abs(a - b) * 8) for a, b in zip(old, new))
        differing = sum(old[i:i + 3] != new[i:i + 3] for i in range(0, len(old), 3))
        largest = max(abs(a - b) for a, b in zip(old, new))
        print(f"{name}: {differing} of {w * h} pixels differ, by at most {largest} in a channel")
        rows.append((w, h, old, new, diff))
    w, h = rows[0][0], rows[0][1]
    sheet_w = 3 * w + 2 * GAP
    sheet_h = len(rows) * h + (len(rows) - 1) * GAP
    sheet = bytearray(b"\x40" * (sheet_w * sheet_h * 3))
    for r, (_, _, old, new, diff) in enumerate(rows):
        for c, pic in enumerate((old, new, diff)):
            x0, y0 = c * (w + GAP), r * (h + GAP)
            for y in range(h):
                start = ((y0 + y) * sheet_w + x0) * 3
                sheet[start:start + w * 3] = pic[y * w * 3:(y + 1) * w * 3]
    write_png(out, sheet_w, sheet_h, bytes(sheet))
    print(f"wrote {out}: {len(rows)} frames, old | new | difference x 8")


if __name__ == "__main__":
    main()
