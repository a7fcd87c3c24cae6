// The texture the demo would build from a packed picture, as RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picture_tool {

struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb; // 3 bytes per pixel, row-major
};

// The texture as the demo's decoder produces it: 65536 pixel words (Y, U, Y,
// V in memory order), row by row. The packed data must be exactly one
// picture; otherwise returns false with the reason in `error`.
bool decode_texture(const std::vector<uint8_t>& packed, uint32_t width, uint32_t colour_a,
                    uint32_t colour_b, std::vector<uint32_t>& texels, std::string& error);

// Converts one studio-range pixel word to 8-bit RGB, the inverse of the
// integer conversion the gpu library uses to load pictures.
void pixel_word_to_rgb(uint32_t word, uint8_t rgb[3]);

// Every texel of the 256 x 256 texture, converted to RGB.
RgbImage texture_to_rgb(const std::vector<uint32_t>& texels);

} // namespace picture_tool
