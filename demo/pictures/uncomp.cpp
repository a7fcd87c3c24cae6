// The demo's picture decoder: the packed runs become a distance table in heap
// memory, the table becomes texels written straight into video memory.
#include "fatal_assert.h"
#include "packed_picture.h"
#include "picture_decode.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The distance table; it lives only while uncomp runs.
DistEntry* dists = nullptr;

constexpr const char* unit = "lumenfall";

} // namespace

void calc_dists() {
    // Outside uncomp there is no table; sweeping a freed one would scribble
    // over the heap.
    FATAL_ASSERT(dists != nullptr, "dists != nullptr", unit, __LINE__, "calc_dists");
    run_dist_sweeps(dists);
}

gpuBuf* uncomp(const uint8_t* picture, uint32_t width, uint32_t colour_a, uint32_t colour_b) {
    gpuBuf* txt = gpuAlloc(8, picture_side, true);
    FATAL_ASSERT(txt != nullptr, "txt", unit, 568, "uncomp");
    dists = static_cast<DistEntry*>(std::malloc(dist_table_bytes));
    FATAL_ASSERT(dists != nullptr, "dists", unit, 570, "uncomp");
    clear_dist_table(dists);

    // The data has no length; a whole picture is taken on trust, so the line
    // decoder is never told the bytes might run out.
    const uint8_t* next = picture;
    for (uint32_t y = 0; y < picture_side; ++y) {
        const LineDecode line = decode_picture_line(next, SIZE_MAX, dists + y * picture_side);
        FATAL_ASSERT(line.status == LineStatus::complete, "x == 255", unit, 588, "uncomp");
        next += line.bytes_read;
    }

    // One pass of the sweeps leaves thousands of entries short of their best
    // pixel; the second pass is part of the look of the pictures.
    calc_dists();
    calc_dists();

    colour_picture(dists, width, colour_a, colour_b, gpu_buffer_words(gpuBuf_get_loc(txt)));
    std::free(dists);
    dists = nullptr;
    return txt;
}
