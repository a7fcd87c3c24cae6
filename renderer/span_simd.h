// A faster version of a whole 16-pixel subspan for textures that wrap by
// mask, where the processor has one (x86-64 with AVX2: eight texels
// gathered at once). It computes exactly what the portable loop in
// span_paint.cpp computes, from the same integers; the test
// SpanSimd.MatchesThePortableLoop holds the two together bit for bit.
// One implementation per processor family, chosen by the build.
#pragma once

#include <cstdint>

namespace renderer {

// Whether this build has a faster version at all (set by the build), so that
// processors without one pay nothing for asking.
#ifndef LUMENFALL_FAST_SUBSPAN
#define LUMENFALL_FAST_SUBSPAN 0
#endif
inline constexpr bool fast_subspans_built = LUMENFALL_FAST_SUBSPAN != 0;

struct Subspan16 {
    uint32_t* dst;
    const uint32_t* texels;
    uint32_t u, du, v, dv;
    uint32_t width_mask, height_mask, log2_width;
    int32_t a, da, b, db; // the luma transfer and its steps (shaded type)
    uint32_t key;         // colour key (types 4 and 6)
    int32_t luma_offset;  // cast image
};

// Paints the 16 pixels for a textured rendering type; false (nothing
// painted) where this processor has no faster version.
bool paint_subspan16_fast(uint32_t rendering_type, const Subspan16& s);

// The same through the portable loop (span_paint.cpp), which every processor
// runs otherwise: what the faster version is held to.
void paint_subspan16_portable(uint32_t rendering_type, const Subspan16& s);

// A whole span of a textured type over a texture that wraps by mask, where
// every sample's division shift lies in [0, 31] (span_paint.cpp's
// sample_shifts_fit): the samples eight at a time and the pixels eight at a
// time, the same integers as the portable mask-wrap span.
struct MaskSpan {
    uint32_t* dst;  // the span's first pixel
    int32_t pixels; // at least 1
    const uint32_t* texels;
    uint32_t width_mask, height_mask, log2_width;
    int32_t w, uw, vw, sw;                     // the planes at the first pixel
    int32_t w_step, uw_step, vw_step, sw_step; // over a whole subspan
    int32_t w_last, uw_last, vw_last, sw_last; // at the last pixel
    int32_t shift_u, shift_v, shift_s;         // each plus W's exponent is in [0, 31]
    uint32_t u_ref, v_ref;                     // the low words of the reference corner's u, v
    int64_t s_ref;
    int32_t shade_scale;
    int32_t subspan_shift; // 4 or 5
    uint32_t key;
    int32_t luma_offset;
};

// Paints the span; false (nothing painted) where this processor has no
// faster version or it is turned off.
bool paint_mask_span_fast(uint32_t rendering_type, const MaskSpan& s);

// Fills `count` words from dst with `color` (a flat facet's span); false,
// writing nothing, where this processor has no faster fill. Defined only
// where fast_subspans_built: other builds never call it.
bool fill_fast(uint32_t* dst, int32_t count, uint32_t color);

// How many pixels the whole-span loop paints at once: 0 (off: the portable
// code), 8, or 16 (the widest this processor has, the default). Asks for at
// most `lanes` and returns what it got; the tests compare each with the
// portable code.
int use_fast_spans(int lanes);

} // namespace renderer
