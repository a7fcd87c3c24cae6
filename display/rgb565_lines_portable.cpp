#include "rgb565_lines.h"

namespace display {
namespace {

// A pixel's chroma fixes its red and blue rows and where in the green table
// its Y picks from.
struct ChromaRows {
    const uint8_t* red;
    const uint8_t* blue;
    uintptr_t green;
};

ChromaRows rows_for(const Rgb565Tables& t, uint32_t word) {
    const ChromaEntry& u = t.chroma_u[(word >> 8) & 0xFFu];
    const ChromaEntry& v = t.chroma_v[word >> 24];
    return {v.row, u.row, u.green_part + v.green_part};
}

uint32_t convert_luma(const Rgb565Tables& t, const ChromaRows& rows, uint32_t word) {
    const uint32_t y = word & 0xFFu;
    const auto* green = reinterpret_cast<const uint8_t*>(rows.green + t.green_y[y]);
    return static_cast<uint32_t>(rows.red[y]) << 11 | static_cast<uint32_t>(*green) << 5 |
           rows.blue[y];
}

} // namespace
} // namespace display

using display::FrameWord;
using display::Rgb565Tables;

uint32_t rgb565_pixel(uint32_t word, const Rgb565Tables* tables) {
    return display::convert_luma(*tables, display::rows_for(*tables, word), word);
}

uint32_t rgb565_line_runs_portable(const uint32_t* src, FrameWord* out, uint32_t groups,
                                   const Rgb565Tables* tables) {
    const Rgb565Tables& t = *tables;
    // The rows always belong to `last`; a first word unlike any sends the
    // first pixel through rows_for.
    uint32_t last = ~src[0];
    uint32_t last_pixel = 0;
    display::ChromaRows rows = display::rows_for(t, last);
    uint32_t chroma_changes = 0;
    auto next = [&](uint32_t word) {
        if (word == last) return last_pixel;
        if (((word ^ last) & display::chroma_bits) != 0) {
            rows = display::rows_for(t, word);
            ++chroma_changes;
        }
        last = word;
        last_pixel = display::convert_luma(t, rows, word);
        return last_pixel;
    };
    for (uint32_t i = 0; i < groups; ++i, src += 4, out += 2) {
        const uint32_t w0 = src[0];
        const uint32_t w1 = src[1];
        const uint32_t w2 = src[2];
        const uint32_t w3 = src[3];
        if (w0 == last && w1 == last && w2 == last && w3 == last) {
            out[0] = last_pixel | last_pixel << 16;
            out[1] = last_pixel | last_pixel << 16;
            continue;
        }
        const uint32_t p0 = next(w0);
        out[0] = p0 | next(w1) << 16;
        const uint32_t p2 = next(w2);
        out[1] = p2 | next(w3) << 16;
    }
    return chroma_changes;
}

void rgb565_line_straight_portable(const uint32_t* src, FrameWord* out, uint32_t groups,
                                   const Rgb565Tables* tables) {
    const Rgb565Tables& t = *tables;
    auto convert = [&t](uint32_t word) {
        return display::convert_luma(t, display::rows_for(t, word), word);
    };
    for (uint32_t i = 0; i < groups; ++i, src += 4, out += 2) {
        out[0] = convert(src[0]) | convert(src[1]) << 16;
        out[1] = convert(src[2]) | convert(src[3]) << 16;
    }
}
