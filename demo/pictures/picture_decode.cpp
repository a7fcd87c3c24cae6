#include "picture_decode.h"

#include <cstring>

namespace {

void set_run(DistEntry* row, uint32_t first, uint32_t count) {
    for (uint32_t x = first; x < first + count; ++x)
        row[x] = DistEntry{0, 0, 0, 0};
}

// The destination adopts the source's pixel one step further along x. The
// test is against the source's own key, not the key the destination would
// receive, which is what the demo has always done.
void step_horizontal(const DistEntry& source, DistEntry& destination) {
    if (dist_key(destination) <= dist_key(source)) return;
    const uint16_t dx = static_cast<uint16_t>(source.dx + 1u);
    destination.dx = dx;
    destination.cost_x = static_cast<uint16_t>(source.cost_x + uint32_t{dx});
    destination.cost_y = source.cost_y;
    destination.dy = source.dy;
}

void step_vertical(const DistEntry& source, DistEntry& destination) {
    if (dist_key(destination) <= dist_key(source)) return;
    const uint16_t dy = static_cast<uint16_t>(source.dy + 1u);
    destination.dy = dy;
    destination.cost_y = static_cast<uint16_t>(source.cost_y + uint32_t{dy});
    destination.cost_x = source.cost_x;
    destination.dx = source.dx;
}

DistEntry& entry_at(DistEntry* table, uint32_t x, uint32_t y) {
    return table[y * picture_side + x];
}

} // namespace

void clear_dist_table(DistEntry* table) {
    std::memset(table, 0xFF, dist_table_bytes);
}

LineDecode decode_picture_line(const uint8_t* bytes, size_t available, DistEntry* row) {
    uint32_t x = 0;
    bool set = false;
    size_t read = 0;
    while (x < picture_line_pixels) {
        if (read == available) return {LineStatus::truncated, read};
        const uint32_t run = bytes[read++];
        if (x + run > picture_line_pixels) return {LineStatus::overflow, read};
        if (set) set_run(row, x, run);
        x += run;
        set = !set;
    }
    return {LineStatus::complete, read};
}

PictureDecode decode_picture(const uint8_t* packed, size_t length, DistEntry* table) {
    size_t offset = 0;
    for (uint32_t y = 0; y < picture_side; ++y) {
        const LineDecode line =
            decode_picture_line(packed + offset, length - offset, table + y * picture_side);
        offset += line.bytes_read;
        if (line.status == LineStatus::overflow) return {PictureStatus::line_overflow, y, offset};
        if (line.status == LineStatus::truncated) return {PictureStatus::truncated, y, offset};
    }
    return {PictureStatus::ok, picture_side, offset};
}

void run_dist_sweeps(DistEntry* table) {
    constexpr uint32_t last = picture_side - 1;
    for (uint32_t y = 0; y <= last; ++y)
        for (uint32_t x = 1; x <= last; ++x)
            step_horizontal(entry_at(table, x - 1, y), entry_at(table, x, y));
    // Columns are walked from the right in both vertical sweeps; the order of
    // the columns does not matter for the result, only the order within one.
    for (uint32_t x = last + 1; x-- > 0;)
        for (uint32_t y = last; y-- > 0;)
            step_vertical(entry_at(table, x, y + 1), entry_at(table, x, y));
    for (uint32_t y = 0; y <= last; ++y)
        for (uint32_t x = last; x-- > 0;)
            step_horizontal(entry_at(table, x + 1, y), entry_at(table, x, y));
    for (uint32_t x = last + 1; x-- > 0;)
        for (uint32_t y = 1; y <= last; ++y)
            step_vertical(entry_at(table, x, y - 1), entry_at(table, x, y));
}

void colour_picture(const DistEntry* table, uint32_t width, uint32_t colour_a, uint32_t colour_b,
                    uint32_t* texels) {
    // The products wrap in 32 bits; that only happens for widths above
    // every key, where everything is colour_a anyway.
    const uint32_t halo_end = width * 8u;
    const uint32_t rim_end = width * 8u + 20u;
    for (uint32_t i = 0; i < picture_texels; ++i) {
        const uint32_t key = dist_key(table[i]);
        if (key < width)
            texels[i] = colour_a;
        else if (key < halo_end)
            texels[i] = colour_b;
        else if (key < rim_end)
            texels[i] = picture_rim_colour;
        else
            texels[i] = colour_a;
    }
}
