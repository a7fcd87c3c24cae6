// Small builders shared by the picture tests: packed data for simple
// pictures and a distance table on the heap.
#pragma once

#include "picture_decode.h"

#include <cstdint>
#include <vector>

namespace picture_tests {

inline constexpr uint8_t empty_line = 255;

// T(n) = 1 + 2 + ... + n, the cost of n steps along one axis.
inline uint32_t triangle(uint32_t n) {
    return n * (n + 1) / 2;
}

// 256 empty lines.
inline std::vector<uint8_t> empty_picture() {
    return std::vector<uint8_t>(picture_side, empty_line);
}

// One set pixel at (px, py), px at most 254; the last run is left out when
// the pixel ends the line, so that no run is 0 except a leading one.
inline std::vector<uint8_t> single_pixel_picture(uint32_t px, uint32_t py) {
    std::vector<uint8_t> packed;
    for (uint32_t y = 0; y < picture_side; ++y) {
        if (y != py) {
            packed.push_back(empty_line);
            continue;
        }
        packed.push_back(static_cast<uint8_t>(px));
        packed.push_back(1);
        if (px < picture_line_pixels - 1) packed.push_back(static_cast<uint8_t>(254 - px));
    }
    return packed;
}

// A cleared 256 x 256 table.
struct DistTable {
    std::vector<DistEntry> entries = std::vector<DistEntry>(picture_texels);

    DistTable() { clear_dist_table(entries.data()); }
    DistEntry* data() { return entries.data(); }
    const DistEntry& at(uint32_t x, uint32_t y) const { return entries[y * picture_side + x]; }
    uint32_t key(uint32_t x, uint32_t y) const { return dist_key(at(x, y)); }
};

// Decodes a whole picture (which must be valid) and runs the sweeps.
inline DistTable decoded_table(const std::vector<uint8_t>& packed, int sweeps = 2) {
    DistTable table;
    decode_picture(packed.data(), packed.size(), table.data());
    for (int i = 0; i < sweeps; ++i)
        run_dist_sweeps(table.data());
    return table;
}

inline std::vector<uint32_t> coloured(const DistTable& table, uint32_t width, uint32_t colour_a,
                                      uint32_t colour_b) {
    std::vector<uint32_t> texels(picture_texels);
    colour_picture(table.entries.data(), width, colour_a, colour_b, texels.data());
    return texels;
}

} // namespace picture_tests
