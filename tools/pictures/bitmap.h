// A one-bit image in memory and its plain and raw PBM forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picture_tool {

struct Bitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels; // row-major, 1 = set (black in PBM), 0 = clear

    bool at(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x] != 0; }
    void set(uint32_t x, uint32_t y, bool value) { pixels[size_t{y} * width + x] = value ? 1 : 0; }
};

Bitmap make_bitmap(uint32_t width, uint32_t height);

// Parses a P1 (plain) or P4 (raw) PBM. On failure returns false and says why
// in `error`.
bool parse_pbm(const std::string& data, Bitmap& bitmap, std::string& error);

// The plain form, 64 digits to a text line so that each text line stays
// within the format's 70 characters; rows start on a new text line.
std::string format_pbm(const Bitmap& bitmap);

} // namespace picture_tool
