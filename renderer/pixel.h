// Pixel words: bytes Y, U, Y, V in memory order (studio-range BT.601), the
// format of textures and of output buffers alike.
#pragma once

#include "config.h"

#include <algorithm>
#include <cstdint>

namespace renderer {

inline constexpr uint32_t pixel_luma(uint32_t word) {
    return word & 0xFFu;
}
inline constexpr uint32_t pixel_u(uint32_t word) {
    return (word >> 8) & 0xFFu;
}
inline constexpr uint32_t pixel_v(uint32_t word) {
    return word >> 24;
}

// The chroma bytes of a word with both luma bytes cleared.
inline constexpr uint32_t chroma_mask = 0xFF00FF00u;

inline constexpr uint32_t make_pixel(uint32_t y, uint32_t u, uint32_t v) {
    return y | (u << 8) | (y << 16) | (v << 24);
}

// The word's chroma with a new luma in both luma bytes.
inline constexpr uint32_t with_luma(uint32_t word, uint32_t y) {
    return (word & chroma_mask) | y | (y << 16);
}

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Inverse of the studio-range BT.601 conversion, in the usual 8-bit integer
// form, clamped to 0..255. Uses the first luma byte and the chroma pair.
inline Rgb pixel_to_rgb(uint32_t word) {
    const int c = static_cast<int>(pixel_luma(word)) - 16;
    const int d = static_cast<int>(pixel_u(word)) - 128;
    const int e = static_cast<int>(pixel_v(word)) - 128;
    auto clamp8 = [](int x) { return static_cast<uint8_t>(std::clamp(x >> 8, 0, 255)); };
    return {clamp8(298 * c + 409 * e + 128), clamp8(298 * c - 100 * d - 208 * e + 128),
            clamp8(298 * c + 516 * d + 128)};
}

// The forward conversion used by the client for pictures, kept here so tests
// and tools can build textures of known colours.
inline uint32_t rgb_to_pixel(uint8_t r, uint8_t g, uint8_t b) {
    const int y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    return make_pixel(static_cast<uint32_t>(y), static_cast<uint32_t>(u), static_cast<uint32_t>(v));
}

} // namespace renderer
