"""The slanted script font of the lettering pictures.

Each letter is one or more strokes through control points in units of the
x-height: the baseline is y = 0, the x-height y = 1, ascenders reach about
1.6 and descenders about -0.75. The drawing code rounds each stroke by corner
cutting, except at points marked as corners ("c"), where the pen turns
sharply. A letter is entered at the first point of its first stroke and left
at the last point of its exit stroke; words are joined between those points.
When the previous letter leaves high (o, r, w), the first `lead_in` control
points, which climb from the baseline, are skipped so that the join runs
along the top instead.
"""

X_HEIGHT_UNITS = 1.0
C = "c"


class Stroke:
    def __init__(self, control_points):
        self.points = [(p[0], p[1]) for p in control_points]
        self.corners = [len(p) > 2 for p in control_points]
        self.corners[0] = self.corners[-1] = True

    def without_lead_in(self, count):
        marked = [p + (C,) if corner else p for p, corner in zip(self.points, self.corners)]
        return Stroke(marked[count:])


class Glyph:
    def __init__(self, advance, *strokes, lead_in=0, joins=True, exit_stroke=0, leaves_high=False):
        self.advance = advance
        self.strokes = [Stroke(s) for s in strokes]
        self.lead_in = lead_in
        self.joins_before = joins
        self.joins_after = joins
        self.exit_stroke = exit_stroke
        self.leaves_high = leaves_high


# The bowl shared by a, d and g: entered at the top, drawn anticlockwise.
BOWL = [(0.62, 0.96), (0.32, 1.04), (0.06, 0.74), (0.0, 0.28), (0.2, -0.03), (0.5, 0.1),
        (0.68, 0.6)]
# The tall loop of b, f, h, k and l, rising from the baseline entry.
LOOP = [(0.0, 0.2), (0.3, 0.8), (0.45, 1.32), (0.4, 1.64), (0.26, 1.6), (0.18, 1.2)]
# The small upward flick that leaves a letter towards the next one.
def flick(x):
    return [(x, 0.25), (x + 0.04, 0.0), (x + 0.16, -0.02), (x + 0.28, 0.22)]


GLYPHS = {
    "a": Glyph(1.0, BOWL + [(0.72, 1.0, C)] + flick(0.68)),
    "c": Glyph(0.78, [(0.5, 0.84), (0.64, 1.0), (0.42, 1.04), (0.16, 0.88), (0.0, 0.46),
                      (0.1, 0.04), (0.42, -0.03), (0.74, 0.22)]),
    "d": Glyph(1.0, BOWL + [(0.8, 1.64, C)] + flick(0.68)),
    "e": Glyph(0.74, [(0.0, 0.28), (0.4, 0.44), (0.64, 0.76), (0.48, 1.03), (0.16, 0.84),
                      (0.02, 0.38), (0.18, -0.02), (0.46, -0.02), (0.72, 0.22)]),
    "f": Glyph(0.72, LOOP + [(0.26, 0.2), (0.22, -0.82), (0.1, -0.76), (0.14, -0.4),
                             (0.38, -0.06), (0.56, 0.08), (0.72, 0.24)], lead_in=1),
    "g": Glyph(0.92, BOWL + [(0.72, 1.0, C), (0.68, -0.36), (0.5, -0.84), (0.2, -0.78),
                             (0.24, -0.44), (0.6, -0.1), (0.9, 0.22)]),
    "h": Glyph(1.04, LOOP + [(0.15, 0.0, C), (0.26, 0.6), (0.5, 1.0), (0.72, 0.86),
                             (0.72, 0.4)] + flick(0.7), lead_in=1),
    "i": Glyph(0.52, [(0.0, 0.2), (0.14, 0.62), (0.22, 1.0, C)] + flick(0.18),
               [(0.27, 1.36), (0.31, 1.42)], lead_in=2),
    "k": Glyph(1.04, LOOP + [(0.15, 0.0, C), (0.22, 0.5), (0.5, 0.98), (0.74, 0.86),
                             (0.58, 0.56), (0.26, 0.5, C), (0.54, 0.4), (0.66, 0.06),
                             (0.86, -0.02), (1.02, 0.22)], lead_in=1),
    "l": Glyph(0.56, LOOP + [(0.17, 0.22), (0.24, -0.02), (0.4, -0.02), (0.54, 0.22)],
               lead_in=1),
    "m": Glyph(1.46, [(0.0, 0.2), (0.1, 0.66), (0.15, 1.0, C), (0.14, 0.0, C), (0.2, 0.62),
                      (0.4, 1.0), (0.62, 0.86), (0.64, 0.0, C), (0.7, 0.62), (0.9, 1.0),
                      (1.12, 0.86), (1.14, 0.3)] + flick(1.14)[1:], lead_in=2),
    "n": Glyph(0.96, [(0.0, 0.2), (0.1, 0.66), (0.15, 1.0, C), (0.14, 0.0, C), (0.2, 0.62),
                      (0.42, 1.0), (0.66, 0.86), (0.66, 0.3)] + flick(0.66)[1:], lead_in=2),
    "o": Glyph(0.86, [(0.52, 0.98), (0.2, 1.0), (0.0, 0.5), (0.12, -0.02), (0.44, -0.03),
                      (0.64, 0.44), (0.56, 0.96), (0.42, 0.98, C), (0.66, 0.9), (0.86, 0.86)],
               leaves_high=True),
    "r": Glyph(0.74, [(0.0, 0.2), (0.1, 0.66), (0.15, 1.0, C), (0.14, 0.0, C), (0.2, 0.56),
                      (0.36, 0.92), (0.56, 1.0), (0.74, 0.86)], lead_in=2, leaves_high=True),
    "s": Glyph(0.82, [(0.0, 0.2), (0.24, 0.66), (0.42, 1.04, C), (0.64, 0.56), (0.6, 0.1),
                      (0.34, -0.03), (0.08, 0.12, C), (0.36, 0.06), (0.62, 0.04), (0.82, 0.22)]),
    "t": Glyph(0.6, [(0.0, 0.2), (0.16, 0.7), (0.27, 1.5, C), (0.2, 0.3)] + flick(0.22)[1:],
               [(0.02, 1.0), (0.5, 1.02)], lead_in=1),
    "u": Glyph(0.98, [(0.0, 0.2), (0.1, 0.66), (0.15, 1.0, C), (0.12, 0.3), (0.22, -0.02),
                      (0.46, 0.0), (0.66, 0.4), (0.7, 1.0, C), (0.66, 0.3)] + flick(0.66)[1:],
               lead_in=2),
    "w": Glyph(1.26, [(0.0, 0.2), (0.1, 0.66), (0.15, 1.0, C), (0.12, 0.3), (0.22, -0.02),
                      (0.42, 0.0), (0.54, 0.4), (0.56, 0.84, C), (0.6, 0.3), (0.7, -0.02),
                      (0.9, 0.04), (0.98, 0.6), (0.94, 1.0, C), (1.1, 0.9), (1.26, 0.88)],
               lead_in=2, leaves_high=True),
    ":": Glyph(0.42, [(0.12, 0.02), (0.15, 0.08)], [(0.26, 0.7), (0.29, 0.76)], joins=False),
}
