#!/usr/bin/env python3
"""Draws the demo's four lettering pictures as 255 x 256 plain PBM images.

Usage: draw_lettering.py OUTPUT_FOLDER

The first three pictures are written in a small slanted script: every
lowercase letter is a few pen strokes through control points, rounded by
corner cutting and drawn with a round pen, and the letters of a word are
joined by curves that leave one letter the way its last stroke goes and
enter the next the way its first stroke starts. The fourth picture is set in
a chunky pixel font. Change the texts or the layouts below, run this script
and pack the images again with picture-tool (see docs/pictures.md).
"""

import math
import os
import sys

# The fonts sit beside this script; their compiled copies would only litter
# the source tree.
sys.dont_write_bytecode = True

from lettering_blocks import block_text_width, draw_block_text
from lettering_script import GLYPHS, X_HEIGHT_UNITS

WIDTH = 255
HEIGHT = 256


class Canvas:
    """A one-bit image with a round pen."""

    def __init__(self):
        self.bits = bytearray(WIDTH * HEIGHT)

    def dot(self, cx, cy, radius):
        for y in range(math.floor(cy - radius), math.ceil(cy + radius) + 1):
            for x in range(math.floor(cx - radius), math.ceil(cx + radius) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.set(x, y)

    def line(self, a, b, radius):
        steps = max(1, math.ceil(math.dist(a, b) * 2))
        for i in range(steps + 1):
            t = i / steps
            self.dot(a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, radius)

    def polyline(self, points, radius):
        for a, b in zip(points, points[1:]):
            self.line(a, b, radius)
        if len(points) == 1:
            self.dot(points[0][0], points[0][1], radius)

    def box(self, x0, y0, x1, y1):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y)

    def set(self, x, y):
        # Nothing may land outside the picture, and column 255 does not
        # exist in the packed form.
        if not (0 <= x < WIDTH and 0 <= y < HEIGHT):
            raise ValueError(f"pixel ({x}, {y}) is outside the picture")
        self.bits[y * WIDTH + x] = 1

    def extent(self):
        xs = [i % WIDTH for i, bit in enumerate(self.bits) if bit]
        ys = [i // WIDTH for i, bit in enumerate(self.bits) if bit]
        return min(xs), max(xs), min(ys), max(ys), len(xs)

    def pbm(self):
        lines = ["P1", f"{WIDTH} {HEIGHT}"]
        for y in range(HEIGHT):
            row = "".join("1" if b else "0" for b in self.bits[y * WIDTH:(y + 1) * WIDTH])
            lines.extend(row[i:i + 64] for i in range(0, WIDTH, 64))
        return "\n".join(lines) + "\n"


def chaikin(points, corners, rounds=3):
    """Cuts every corner of a polyline a quarter of the way along its sides,
    several times over, which converges to a smooth curve; the end points and
    the points marked as corners stay where they are."""
    for _ in range(rounds):
        result = [points[0]]
        kept = [True]
        for i in range(len(points) - 1):
            a, b = points[i], points[i + 1]
            q = (0.75 * a[0] + 0.25 * b[0], 0.75 * a[1] + 0.25 * b[1])
            r = (0.25 * a[0] + 0.75 * b[0], 0.25 * a[1] + 0.75 * b[1])
            if i > 0 and not corners[i]:
                result.append(q)
                kept.append(False)
            if i + 1 < len(points) - 1 and not corners[i + 1]:
                result.append(r)
                kept.append(False)
            else:
                result.append(b)
                kept.append(True)
        points, corners = result, kept
    return points


def bezier(p0, p1, p2, p3, steps=12):
    return [
        (
            (1 - t) ** 3 * p0[0] + 3 * (1 - t) ** 2 * t * p1[0] + 3 * (1 - t) * t * t * p2[0]
            + t ** 3 * p3[0],
            (1 - t) ** 3 * p0[1] + 3 * (1 - t) ** 2 * t * p1[1] + 3 * (1 - t) * t * t * p2[1]
            + t ** 3 * p3[1],
        )
        for t in (i / steps for i in range(steps + 1))
    ]


def direction(a, b):
    length = math.dist(a, b) or 1.0
    return ((b[0] - a[0]) / length, (b[1] - a[1]) / length)


class ScriptPen:
    """Writes words in the script font: x-height in pixels, slant as the
    horizontal shift per pixel of height, pen radius in pixels."""

    def __init__(self, canvas, x_height, slant=0.28, radius=1.6, spacing=0.12, stretch=1.0):
        self.canvas = canvas
        self.scale = x_height / X_HEIGHT_UNITS
        self.stretch = stretch
        self.slant = slant
        self.radius = radius
        self.spacing = spacing

    def to_pixels(self, origin, point):
        x = origin[0] + (point[0] * self.stretch + self.slant * point[1]) * self.scale
        y = origin[1] - point[1] * self.scale
        return (x, y)

    def word_width(self, word):
        return sum(GLYPHS[c].advance * self.stretch + self.spacing for c in word) * self.scale

    def text_width(self, text):
        space = 0.5 * self.scale
        return sum(self.word_width(w) for w in text.split()) + space * (len(text.split()) - 1)

    def write(self, text, x, baseline):
        space = 0.5 * self.scale
        for word in text.split():
            self.write_word(word, x, baseline)
            x += self.word_width(word) + space

    def write_word(self, word, x, baseline):
        previous_end = None
        previous_high = False
        for c in word:
            glyph = GLYPHS[c]
            outline = list(glyph.strokes)
            if previous_high and glyph.lead_in:
                outline[0] = outline[0].without_lead_in(glyph.lead_in)
            strokes = [
                [self.to_pixels((x, baseline), p) for p in chaikin(s.points, s.corners)]
                for s in outline
            ]
            if previous_end is not None and glyph.joins_before:
                self.connect(previous_end, strokes[0])
            for stroke in strokes:
                self.canvas.polyline(stroke, self.radius)
            joined_stroke = strokes[glyph.exit_stroke]
            previous_end = joined_stroke if glyph.joins_after else None
            previous_high = glyph.leaves_high
            x += (glyph.advance * self.stretch + self.spacing) * self.scale

    def connect(self, leaving, entering):
        """A curve that leaves the previous letter along its last stroke and
        enters the next letter along its first."""
        end, before_end = leaving[-1], leaving[-3]
        start, after_start = entering[0], entering[2]
        out = direction(before_end, end)
        into = direction(start, after_start)
        reach = 0.45 * math.dist(end, start) + 2
        curve = bezier(
            end,
            (end[0] + out[0] * reach, end[1] + out[1] * reach),
            (start[0] - into[0] * reach, start[1] - into[1] * reach),
            start,
        )
        self.canvas.polyline(curve, self.radius)


def script_picture(lines, x_height, radius, line_pitch, top_baseline, indents, stretch=1.0,
                   spacing=0.12):
    canvas = Canvas()
    pen = ScriptPen(canvas, x_height, radius=radius, stretch=stretch, spacing=spacing)
    for i, text in enumerate(lines):
        width = pen.text_width(text)
        x = (WIDTH - width) / 2 + indents[i] - 0.2 * x_height
        pen.write(text, x, top_baseline + i * line_pitch)
    return canvas


def block_picture(lines, cell_w, cell_h, line_gap, gap_cells):
    canvas = Canvas()
    height = len(lines) * 7 * cell_h + (len(lines) - 1) * line_gap
    top = (HEIGHT - height) // 2
    for i, text in enumerate(lines):
        left = (WIDTH - block_text_width(text, cell_w, gap_cells)) // 2
        draw_block_text(canvas, text, left, top + i * (7 * cell_h + line_gap), cell_w, cell_h,
                        gap_cells)
    return canvas


def pictures():
    return {
        "pic1": script_picture(
            ["lumen", "fall"], x_height=36, radius=1.0, line_pitch=84, top_baseline=108,
            indents=[0, 26], spacing=0.08),
        "pic2": script_picture(
            ["greetings", "to all", "makers of", "light"], x_height=23, radius=0.75,
            line_pitch=48, top_baseline=66, indents=[-16, -30, 10, 24], spacing=0.1),
        "pic3": script_picture(
            ["code: the", "lumenfall", "team"], x_height=24, radius=0.75, line_pitch=62,
            top_baseline=82, indents=[-6, 0, 30], spacing=0.12),
        "pic4": block_picture(["LF"], cell_w=12, cell_h=15, line_gap=0, gap_cells=2),
    }


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    for name, canvas in pictures().items():
        left, right, top, bottom, count = canvas.extent()
        print(f"{name}: {count} set pixels, lines {top} to {bottom}, columns {left} to {right}")
        with open(os.path.join(folder, name + ".pbm"), "w", encoding="ascii") as out:
            out.write(canvas.pbm())


if __name__ == "__main__":
    main()
