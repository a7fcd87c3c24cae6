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

} // namespace renderer
