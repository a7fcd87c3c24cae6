// The decoder of packed pictures, without any tie to the renderer or its
// video memory, so that tools and tests can run it on arbitrary bytes.
//
// The arithmetic here is exactly the demo's: uncomp decodes with
// decode_picture_line, runs run_dist_sweeps twice and colours with
// colour_picture, so a texture produced on a PC from these functions is
// word for word the texture the demo builds.
#pragma once

#include <cstddef>
#include <cstdint>

// The texture is 256 x 256 texels; a packed line covers only the first 255.
inline constexpr uint32_t picture_side = 256;
inline constexpr uint32_t picture_line_pixels = 255;
inline constexpr uint32_t picture_texels = picture_side * picture_side;

// One entry of the distance table: the triangular costs T(dx) and T(dy) of
// the offset to the set pixel the entry has adopted, and that offset.
struct DistEntry {
    uint16_t cost_x;
    uint16_t cost_y;
    uint16_t dx;
    uint16_t dy;
};
static_assert(sizeof(DistEntry) == 8);

inline constexpr size_t dist_table_bytes = picture_texels * sizeof(DistEntry);
static_assert(dist_table_bytes == 524288);

// The key of an entry that has adopted no pixel yet (both costs 0xFFFF).
inline constexpr uint32_t dist_key_none = 0x1FFFE;

// Black: luma 16, both chroma 128.
inline constexpr uint32_t picture_rim_colour = 0x80108010;

// An entry's key approximates half the squared distance to its pixel. The
// sum is taken in 32 bits, so it never wraps.
inline uint32_t dist_key(const DistEntry& entry) {
    return uint32_t{entry.cost_x} + uint32_t{entry.cost_y};
}

// Sets every field of every entry to 0xFFFF: nothing adopted.
void clear_dist_table(DistEntry* table);

enum class LineStatus {
    complete,  // the runs add up to exactly 255
    overflow,  // a run would pass column 254
    truncated, // the bytes ran out before the line was complete
};

struct LineDecode {
    LineStatus status;
    size_t bytes_read;
};

// Decodes one packed line into `row` (256 entries), reading at most
// `available` bytes. A set run is checked against the end of the line before
// anything is written, so a bad line never touches the entries after it.
LineDecode decode_picture_line(const uint8_t* bytes, size_t available, DistEntry* row);

enum class PictureStatus {
    ok,
    line_overflow,
    truncated,
};

struct PictureDecode {
    PictureStatus status;
    uint32_t line;     // the failing line, or 256 when every line decoded
    size_t bytes_read; // bytes consumed, up to and including the failing line
};

// Decodes all 256 lines of a packed picture of `length` bytes into a cleared
// table. Stops at the first bad line; bytes after the last line are left
// unread and show in bytes_read < length.
PictureDecode decode_picture(const uint8_t* packed, size_t length, DistEntry* table);

// The four directional sweeps, once: left to right, upwards, right to left,
// downwards.
void run_dist_sweeps(DistEntry* table);

// Colours every entry by its key into 65536 texel words, row by row:
// colour_a below width, colour_b below 8 x width, the black rim for 20 more
// and colour_a beyond. The thresholds wrap in 32 bits as the demo's do.
void colour_picture(const DistEntry* table, uint32_t width, uint32_t colour_a, uint32_t colour_b,
                    uint32_t* texels);
