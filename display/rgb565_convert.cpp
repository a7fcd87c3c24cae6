#include "rgb565_convert.h"

#include <algorithm>

namespace display {
namespace {

// Every limit of the renderer's buffers that a buffer shown on screen must
// also respect: at most 2^12 words a line, at least one line.
constexpr uint32_t max_log2_width = 12;

uint32_t clamp_byte(int32_t value) {
    return static_cast<uint32_t>(std::clamp<int32_t>(value, 0, 255));
}

} // namespace

uint16_t pixel_to_rgb565(uint32_t word) {
    // The usual 8-bit fixed-point form of the BT.601 studio-range matrix:
    // 298 = 255/219 * 256, 409/208/100/516 the chroma weights scaled alike,
    // with 128 for rounding. The simulator's window uses the same numbers.
    const int32_t y = 298 * (static_cast<int32_t>(word & 0xFFu) - 16) + 128;
    const int32_t u = static_cast<int32_t>((word >> 8) & 0xFFu) - 128;
    const int32_t v = static_cast<int32_t>(word >> 24) - 128;
    const uint32_t r = clamp_byte((y + 409 * v) >> 8);
    const uint32_t g = clamp_byte((y - 100 * u - 208 * v) >> 8);
    const uint32_t b = clamp_byte((y + 516 * u) >> 8);
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
}

bool buffer_in_video(const gpuBufLoc& loc) {
    if (loc.log2_width > max_log2_width || loc.height == 0) return false;
    const uint64_t words = static_cast<uint64_t>(loc.height) << loc.log2_width;
    return loc.address < gpu_video_words && words <= gpu_video_words - loc.address;
}

void convert_to_rgb565(const uint32_t* video, const gpuBufLoc& loc, uint16_t* fb) {
    const bool valid = buffer_in_video(loc);
    const int columns =
        valid ? static_cast<int>(std::min<uint32_t>(1u << loc.log2_width, screen_width)) : 0;
    const int rows = valid ? static_cast<int>(std::min<uint32_t>(loc.height, screen_height)) : 0;
    for (int y = 0; y < screen_height; ++y) {
        uint16_t* line = fb + y * screen_width;
        int x = 0;
        if (y < rows) {
            const uint32_t* src =
                video + loc.address + (static_cast<uint32_t>(y) << loc.log2_width);
            // Neighbouring pixels often repeat (flat facets, the background),
            // so the last conversion is kept for the next pixel.
            uint32_t last_word = src[0];
            uint16_t last_pixel = pixel_to_rgb565(last_word);
            for (; x < columns; ++x) {
                if (src[x] != last_word) {
                    last_word = src[x];
                    last_pixel = pixel_to_rgb565(last_word);
                }
                line[x] = last_pixel;
            }
        }
        std::fill(line + x, line + screen_width, uint16_t{0});
    }
}

} // namespace display
