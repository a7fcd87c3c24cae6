// Builders shared by the picture tests: packed data for simple pictures and
// a distance table on the heap.
#pragma once

#include "picture_decode.h"

#include <cstdint>
#include <vector>

namespace picture_tests {

inline uint32_t triangle(uint32_t n) {
    return n * (n + 1) / 2;
}

inline std::vector<uint8_t> empty_picture() {
    return std::vector<uint8_t>(picture_side, 255);
}

// One set pixel at (px, py), px at most 254, with no run of 0 after it.
inline std::vector<uint8_t> single_pixel_picture(uint32_t px, uint32_t py) {
    std::vector<uint8_t> packed(py, 255);
    packed.insert(packed.end(), {static_cast<uint8_t>(px), 1});
    if (px < 254) packed.push_back(static_cast<uint8_t>(254 - px));
    packed.resize(packed.size() + picture_side - 1 - py, 255);
    return packed;
}

struct DistTable {
    std::vector<DistEntry> entries = std::vector<DistEntry>(picture_texels);

    DistTable() { clear_dist_table(entries.data()); }
    DistEntry* data() { return entries.data(); }
    const DistEntry& at(uint32_t x, uint32_t y) const { return entries[y * picture_side + x]; }
    uint32_t key(uint32_t x, uint32_t y) const { return dist_key(at(x, y)); }
};

// Decodes a valid picture and runs the sweeps as often as asked.
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
