// A displayed picture as the outputs (window, video, PNG) consume it.
#pragma once

#include "config.h"

#include <cstdint>
#include <vector>

namespace renderer {

// One displayed frame as 8-bit RGB, row-major, 3 bytes per pixel.
struct RgbFrame {
    int width = screen_width;
    int height = screen_height;
    std::vector<uint8_t> rgb; // width * height * 3 bytes
};

} // namespace renderer
