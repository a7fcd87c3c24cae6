#include "rgb565_convert.h"

#include <algorithm>
#include <array>

namespace display {
namespace {

// Every limit of the renderer's buffers that a buffer shown on screen must
// also respect: at most 2^12 words a line, at least one line.
constexpr uint32_t max_log2_width = 12;

// The usual 8-bit fixed-point form of the BT.601 studio-range matrix:
// 298 = 255/219 * 256, 409/208/100/516 the chroma weights scaled alike, 128
// for rounding; the simulator's window uses the same numbers. The main core
// has no time to multiply and clamp per pixel, so the products come from
// tables made at compile time, and so do the clamped channels, already cut
// to 5 or 6 bits. The clamp table holds the three channels one after the
// other; each channel's chroma term carries the start of its part (times
// 256) plus a bias that keeps every sum positive, so a channel's sum shifted
// right by 8 is its index in the clamp table.
constexpr int32_t part_entries = 1024;
constexpr int32_t bias = 384;
constexpr int32_t red_part = 0;
constexpr int32_t green_part = part_entries;
constexpr int32_t blue_part = 2 * part_entries;

struct ChromaU {
    int32_t green; // -100 (U - 128), green part
    int32_t blue;  // 516 (U - 128), blue part
};
struct ChromaV {
    int32_t red;   // 409 (V - 128), red part
    int32_t green; // -208 (V - 128)
};

constexpr int32_t at(int32_t part) {
    return (part + bias) * 256;
}

// Four tables of their own rather than one: each keeps a base register of
// its own in the loop, which saves the main core an addition per lookup.
constexpr std::array<int32_t, 256> luma = [] {
    std::array<int32_t, 256> t{};
    for (int32_t i = 0; i < 256; ++i)
        t[i] = 298 * (i - 16) + 128;
    return t;
}();

constexpr std::array<ChromaU, 256> chroma_u = [] {
    std::array<ChromaU, 256> t{};
    for (int32_t i = 0; i < 256; ++i)
        t[i] = {-100 * (i - 128) + at(green_part), 516 * (i - 128) + at(blue_part)};
    return t;
}();

constexpr std::array<ChromaV, 256> chroma_v = [] {
    std::array<ChromaV, 256> t{};
    for (int32_t i = 0; i < 256; ++i)
        t[i] = {409 * (i - 128) + at(red_part), -208 * (i - 128)};
    return t;
}();

constexpr std::array<uint8_t, 3 * part_entries> clamp = [] {
    std::array<uint8_t, 3 * part_entries> t{};
    for (int32_t i = 0; i < part_entries; ++i) {
        const int32_t value = std::clamp<int32_t>(i - bias, 0, 255);
        t[red_part + i] = static_cast<uint8_t>(value >> 3);
        t[green_part + i] = static_cast<uint8_t>(value >> 2);
        t[blue_part + i] = static_cast<uint8_t>(value >> 3);
    }
    return t;
}();

// The extremes of every channel's sum (Y at 0 or 255, the chroma at either
// end) stay inside the channel's part of the clamp table.
constexpr bool in_part(int32_t sum, int32_t part) {
    return (sum >> 8) >= part && (sum >> 8) < part + part_entries;
}
static_assert(in_part(luma[0] + chroma_v[0].red, red_part));
static_assert(in_part(luma[255] + chroma_v[255].red, red_part));
static_assert(in_part(luma[0] + chroma_u[255].green + chroma_v[255].green, green_part));
static_assert(in_part(luma[255] + chroma_u[0].green + chroma_v[0].green, green_part));
static_assert(in_part(luma[0] + chroma_u[0].blue, blue_part));
static_assert(in_part(luma[255] + chroma_u[255].blue, blue_part));

// The RGB 5:6:5 value in a whole word: no narrowing per pixel.
inline uint32_t convert_pixel(uint32_t word) {
    const int32_t y = luma[word & 0xFFu];
    const ChromaU& u = chroma_u[(word >> 8) & 0xFFu];
    const ChromaV& v = chroma_v[word >> 24];
    const uint32_t r = clamp[static_cast<uint32_t>(y + v.red) >> 8];
    const uint32_t g = clamp[static_cast<uint32_t>(y + u.green + v.green) >> 8];
    const uint32_t b = clamp[static_cast<uint32_t>(y + u.blue) >> 8];
    return r << 11 | g << 5 | b;
}

} // namespace

uint16_t pixel_to_rgb565(uint32_t word) {
    return static_cast<uint16_t>(convert_pixel(word));
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
            // Neighbouring pixels often repeat (flat facets, the background,
            // magnified textures): each run of one word is converted once.
            while (x < columns) {
                const uint32_t word = src[x];
                const uint16_t pixel = static_cast<uint16_t>(convert_pixel(word));
                do {
                    line[x++] = pixel;
                } while (x < columns && src[x] == word);
            }
        }
        std::fill(line + x, line + screen_width, uint16_t{0});
    }
}

} // namespace display
