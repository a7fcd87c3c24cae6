"""The main-core meter's chart: per displayed frame, the program's and the
display program's instructions stacked, the estimated cycles of both at the
plausible memory setting as a line, and the budget of a frame. A PNG made
with the standard library alone (no plotting package on the machines)."""
import struct
import zlib

WIDTH, HEIGHT = 1100, 440
LEFT, RIGHT, TOP, BOTTOM = 70, 20, 40, 50

WHITE = (255, 255, 255)
GRID = (225, 225, 225)
INK = (40, 40, 40)
PROGRAM = (235, 140, 40)
DISPLAY = (60, 120, 200)
CYCLES = (0, 0, 0)
BUDGET = (210, 30, 30)

# A 3 x 5 pixel font, drawn twice as large: five rows of three, "#" set.
GLYPHS = {
    "0": "###/# #/# #/# #/###",
    "1": " # /## / # / # /###",
    "2": "###/  #/###/#  /###",
    "3": "###/  #/ ##/  #/###",
    "4": "# #/# #/###/  #/  #",
    "5": "###/#  /###/  #/###",
    "6": "###/#  /###/# #/###",
    "7": "###/  #/ # / # / # ",
    "8": "###/# #/###/# #/###",
    "9": "###/# #/###/  #/###",
    ".": "   /   /   /   / # ",
    "-": "   /   /###/   /   ",
    "+": "   / # /###/ # /   ",
    ",": "   /   /   / # /#  ",
    "(": " # /#  /#  /#  / # ",
    ")": " # /  #/  #/  #/ # ",
    ":": "   / # /   / # /   ",
    "/": "  #/  #/ # /#  /#  ",
    "A": " # /# #/###/# #/# #",
    "B": "## /# #/## /# #/## ",
    "C": " ##/#  /#  /#  / ##",
    "D": "## /# #/# #/# #/## ",
    "E": "###/#  /## /#  /###",
    "F": "###/#  /## /#  /#  ",
    "G": " ##/#  /# #/# #/ ##",
    "H": "# #/# #/###/# #/# #",
    "I": "###/ # / # / # /###",
    "J": "  #/  #/  #/# #/ # ",
    "K": "# #/# #/## /# #/# #",
    "L": "#  /#  /#  /#  /###",
    "M": "# #/###/###/# #/# #",
    "N": "## /# #/# #/# #/# #",
    "O": " # /# #/# #/# #/ # ",
    "P": "## /# #/## /#  /#  ",
    "Q": " # /# #/# #/## / ##",
    "R": "## /# #/## /# #/# #",
    "S": " ##/#  / # /  #/## ",
    "T": "###/ # / # / # / # ",
    "U": "# #/# #/# #/# #/###",
    "V": "# #/# #/# #/# #/ # ",
    "W": "# #/# #/###/###/# #",
    "X": "# #/# #/ # /# #/# #",
    "Y": "# #/# #/ # / # / # ",
    "Z": "###/  #/ # /#  /###",
}


def glyph_rows(char):
    pattern = GLYPHS.get(char.upper())
    return pattern.split("/") if pattern else []


class Canvas:
    def __init__(self):
        self.pixels = bytearray(bytes(WHITE) * WIDTH * HEIGHT)

    def set(self, x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            i = (y * WIDTH + x) * 3
            self.pixels[i:i + 3] = bytes(colour)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, min(y0, y1)), min(HEIGHT, max(y0, y1) + 1)):
            for x in range(max(0, min(x0, x1)), min(WIDTH, max(x0, x1) + 1)):
                self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def text(self, x, y, string, colour=INK, scale=2):
        for char in string:
            for row, cells in enumerate(glyph_rows(char)):
                for column, cell in enumerate(cells):
                    if cell == "#":
                        self.rect(x + column * scale, y + row * scale,
                                  x + column * scale + scale - 1, y + row * scale + scale - 1,
                                  colour)
            x += 4 * scale

    def write_png(self, path):
        raw = b"".join(b"\0" + bytes(self.pixels[y * WIDTH * 3:(y + 1) * WIDTH * 3])
                       for y in range(HEIGHT))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" +
                    chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw_chart(path, frames, budget, program_name):
    """frames: [(frame, program_insns, display_insns, cycles_plausible, loading)]."""
    canvas = Canvas()
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM
    # The scale stops a little above the budget: loading frames run off
    # the top and are marked there.
    top = max(4_000_000, budget * 1.2)
    steady = [f[3] for f in frames if not f[4]]
    if steady:
        top = max(top, min(max(steady) * 1.1, 8_000_000))
    first, last = frames[0][0], frames[-1][0]

    def x_of(frame):
        return LEFT + round((frame - first) * (plot_w - 1) / max(1, last - first))

    def y_of(value):
        return TOP + plot_h - round(min(value, top) * plot_h / top)

    step = 1_000_000 if top <= 8_000_000 else 2_000_000
    value = 0
    while value <= top:
        canvas.line(LEFT, y_of(value), LEFT + plot_w, y_of(value), GRID)
        canvas.text(LEFT - 44, y_of(value) - 5, f"{value / 1e6:.0f} M")
        value += step
    frame_step = 500 if last - first > 1500 else 100 if last - first > 300 else 10
    tick = (first + frame_step - 1) // frame_step * frame_step
    while tick <= last:
        canvas.line(x_of(tick), TOP + plot_h, x_of(tick), TOP + plot_h + 4, INK)
        canvas.text(x_of(tick) - 8, TOP + plot_h + 8, str(tick))
        tick += frame_step

    # Columns: the display's instructions below, the program's on top.
    columns = {}
    for frame, program, display, cycles, loading in frames:
        x = x_of(frame)
        old = columns.get(x)
        if old is None or program + display > old[0] + old[1]:
            columns[x] = (program, display, cycles, loading)
    previous = None
    xs = sorted(columns)
    for i, x in enumerate(xs):
        program, display, cycles, loading = columns[x]
        # Each column reaches the next, less a gap when they are wide.
        right = x if i + 1 == len(xs) else max(x, xs[i + 1] - 1 - (xs[i + 1] - x > 3))
        canvas.rect(x, y_of(display), right, y_of(0), DISPLAY)
        canvas.rect(x, y_of(display + program), right, y_of(display), PROGRAM)
        if loading:
            canvas.rect(x - 1, TOP - 6, x + 1, TOP - 2, PROGRAM)
        point = (x, y_of(cycles))
        if previous is not None:
            canvas.line(previous[0], previous[1], point[0], point[1], CYCLES)
        previous = point
    canvas.rect(LEFT, y_of(budget), LEFT + plot_w, y_of(budget) + 1, BUDGET)
    canvas.text(LEFT + plot_w - 250, y_of(budget) - 14, "BUDGET 3.33 M CYCLES", BUDGET)
    canvas.line(LEFT, TOP, LEFT, TOP + plot_h, INK)
    canvas.line(LEFT, TOP + plot_h, LEFT + plot_w, TOP + plot_h, INK)

    # The legend.
    x = LEFT
    for colour, label in ((PROGRAM, f"{program_name} instructions"),
                          (DISPLAY, "display instructions"),
                          (CYCLES, "cycles of both, plausible memory")):
        canvas.rect(x, 12, x + 14, 24, colour)
        canvas.text(x + 20, 13, label)
        x += 40 + 8 * len(label)
    canvas.text(LEFT + plot_w // 2 - 60, HEIGHT - 22, "DISPLAYED FRAME")
    canvas.write_png(path)
