// Built with optimisation in every configuration, like the span painters.
#include "segment_ops.h"

#include "pixel.h"

#include <algorithm>

// Several versions of each loop on the PC, one elsewhere. The arithmetic is
// integer only, so every version gives the same pixels.
#if defined(__x86_64__)
#define SIM_SEGMENT_LOOP __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define SIM_SEGMENT_LOOP
#endif

namespace sim {

namespace {

// The loop of shade_segment; inlined twice, once with a count known to the
// compiler, so that a full segment runs without a remainder loop.
[[gnu::always_inline]] inline void shade_pixels(uint32_t* __restrict dst,
                                                const uint32_t* __restrict texel, int count,
                                                int32_t a, int32_t da, int32_t b, int32_t db) {
    for (int i = 0; i < count; ++i) {
        // a_i and b_i stay within 17 bits and 24 bits over a segment, and
        // Y * a_i within 25, so nothing here can overflow.
        const int32_t y = static_cast<int32_t>(pixel_luma(texel[i])) * (a + i * da) + (b + i * db);
        dst[i] = with_luma(texel[i], static_cast<uint32_t>(std::min<int32_t>(y >> 16, 255)));
    }
}

} // namespace

SIM_SEGMENT_LOOP
void shade_segment(uint32_t* __restrict dst, const uint32_t* __restrict texel, int count, int32_t a,
                   int32_t da, int32_t b, int32_t db) {
    if (count == span_segment_pixels) {
        shade_pixels(dst, texel, span_segment_pixels, a, da, b, db);
    } else {
        shade_pixels(dst, texel, count, a, da, b, db);
    }
}

SIM_SEGMENT_LOOP
void key_segment(uint32_t* __restrict dst, const uint32_t* __restrict texel, int count,
                 uint32_t key) {
    for (int i = 0; i < count; ++i)
        dst[i] = texel[i] != key ? texel[i] : dst[i];
}

SIM_SEGMENT_LOOP
void cast_segment(uint32_t* __restrict dst, const uint32_t* __restrict texel, int count,
                  uint32_t key, int32_t luma_offset) {
    for (int i = 0; i < count; ++i) {
        const uint32_t under = dst[i];
        const int32_t y =
            std::clamp<int32_t>(static_cast<int32_t>(pixel_luma(under)) + luma_offset, luma_min, luma_max);
        const uint32_t u = (pixel_u(under) + pixel_u(texel[i]) + 1) >> 1;
        const uint32_t v = (pixel_v(under) + pixel_v(texel[i]) + 1) >> 1;
        dst[i] = texel[i] != key ? make_pixel(static_cast<uint32_t>(y), u, v) : under;
    }
}

} // namespace sim
