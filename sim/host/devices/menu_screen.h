// The menu screen the simulated handheld shows before any program draws: a
// launcher with a title bar, a grid of six icons with their labels and a
// status line, drawn in code. Programs that take a picture of the screen at
// start (the demo does) see it through the frame buffer device.
#pragma once

#include "rgb_image.h"

#include <cstdint>
#include <vector>

namespace sim {

// The default menu screen, 320 x 240.
RgbImage draw_menu_screen();

// The picture as frame buffer bytes: RGB 5:6:5, little-endian, rows top
// first; each channel keeps its top bits.
std::vector<uint8_t> to_rgb565_le(const RgbImage& image);

} // namespace sim
