// A 5 x 7 pixel font for the simulator's own pictures (the menu screen and
// the labels of the contact sheet). It covers the printable characters from
// space to 'Z'; lower case is drawn as upper case and anything else as '?'.
#pragma once

#include "rgb_image.h"

#include <string_view>

namespace sim {

inline constexpr int glyph_width = 5;
inline constexpr int glyph_height = 7;
inline constexpr int glyph_advance = 6; // one column of space between glyphs

// The glyph's rows, top first; bit 4 is the leftmost column.
const uint8_t* glyph_rows(char c);

// Width in pixels of text drawn at the given scale.
int text_width(std::string_view text, int scale = 1);

// Draws text with its top left corner at (x, y); each font pixel becomes a
// scale x scale block.
void draw_text(RgbImage& image, int x, int y, std::string_view text, Rgb color, int scale = 1);

} // namespace sim
