"""The chunky pixel font of the fourth picture: capitals on a 5 x 7 grid,
each grid cell drawn as a solid block of the chosen size."""

CELLS_WIDE = 5
CELLS_HIGH = 7

BLOCK_GLYPHS = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "##  #", "# # #", "# # #", "#  ##", "#   #", "#   #"],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
}


def block_text_width(text, cell_w, gap_cells):
    return (len(text) * (CELLS_WIDE + gap_cells) - gap_cells) * cell_w


def draw_block_text(canvas, text, left, top, cell_w, cell_h, gap_cells):
    """Draws text with gap_cells empty cells between letters: the halo
    around each letter needs room to show between them."""
    for i, letter in enumerate(text):
        rows = BLOCK_GLYPHS[letter]
        x0 = left + i * (CELLS_WIDE + gap_cells) * cell_w
        for row, cells in enumerate(rows):
            for column, cell in enumerate(cells):
                if cell == "#":
                    x = x0 + column * cell_w
                    y = top + row * cell_h
                    canvas.box(x, y, x + cell_w, y + cell_h)
