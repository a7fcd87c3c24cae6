// Hand-written ARM-state span loops for the second core (span_arm.S): a
// whole span of the plain, shaded, colour-keyed or cast-image type over a
// 256 x 256 texture that wraps by mask (the plain type's also over
// 512 x 512), samples and pixels, computing exactly what paint_span's
// portable code computes from the same integers; and the flat type's fill
// in bursts. The C++ side prepares the span's constants (span_paint.cpp);
// the check program tests/renderer/arm_span_check holds the two together
// bit for bit under qemu-arm.
#pragma once

#include <cstddef>
#include <cstdint>

namespace renderer {

#if defined(__arm__) && !defined(__thumb__)
inline constexpr bool arm_spans_built = true;
#else
inline constexpr bool arm_spans_built = false;
#endif

// One span's work. The layout is the assembly's (offsets checked below).
struct ArmSpan {
    uint32_t* dst;                             // the span's first pixel, advanced as it paints
    int32_t left;                              // pixels still to paint
    const uint32_t* texels;                    // 256 x 256
    int32_t w, uw, vw, sw;                     // the planes at the current sample
    int32_t w_step, uw_step, vw_step, sw_step; // over a whole subspan
    int32_t w_last, uw_last, vw_last, sw_last; // at the span's last pixel
    int32_t shift_u, shift_v, shift_s;         // SampleShifts: each plus W's exponent is in [0, 31]
    uint32_t u_ref, v_ref;                     // the low words of the reference corner's u and v
    uint32_t s_ref_lo;                         // its shade, 64-bit
    int32_t s_ref_hi;
    int32_t shade_scale;
    int32_t subspan_shift; // 4 or 5
    const uint32_t* reciprocal_seeds;
    const uint8_t* byte_bit_lengths;
    const uint32_t* luma_octave_fraction;
    const uint32_t* step_reciprocal;
    // The assembly's own: the current sample (u, v, luma transfer a and b).
    uint32_t u, v;
    int32_t a, b;
    uint32_t key;           // the colour key (types 4 and 6)
    int32_t luma_offset;    // the cast image's, bounded to +-255
    int32_t exponent;       // the assembly's: W's exponent at the last sample
    uintptr_t seeds_biased; // the assembly's: reciprocal_seeds less 256 entries
    // The assembly's: for that exponent, each product's shift (shift_u + e,
    // 32 less it, u_ref; the same for v; for the shade without a reference).
    int32_t sample_shifts[8];
    // The assembly's: each plane's shift (SpanPlane::shift).
    int32_t plane_shifts[4];
};

#if defined(__arm__)
static_assert(offsetof(ArmSpan, w) == 12 && offsetof(ArmSpan, w_step) == 28 &&
              offsetof(ArmSpan, w_last) == 44 && offsetof(ArmSpan, shift_u) == 60 &&
              offsetof(ArmSpan, u_ref) == 72 && offsetof(ArmSpan, s_ref_lo) == 80 &&
              offsetof(ArmSpan, shade_scale) == 88 && offsetof(ArmSpan, subspan_shift) == 92 &&
              offsetof(ArmSpan, reciprocal_seeds) == 96 &&
              offsetof(ArmSpan, step_reciprocal) == 108 && offsetof(ArmSpan, u) == 112 &&
              offsetof(ArmSpan, key) == 128 && offsetof(ArmSpan, luma_offset) == 132 &&
              offsetof(ArmSpan, exponent) == 136 && offsetof(ArmSpan, sample_shifts) == 144 &&
              offsetof(ArmSpan, plane_shifts) == 176 && sizeof(ArmSpan) == 192);
#endif

extern "C" void lumenfall_arm_shaded_span(ArmSpan* span);
extern "C" void lumenfall_arm_keyed_span(ArmSpan* span);
extern "C" void lumenfall_arm_cast_span(ArmSpan* span);
extern "C" void lumenfall_arm_plain_span(ArmSpan* span);
// The plain type over a 512 x 512 texture (the captured screen's shape).
extern "C" void lumenfall_arm_plain512_span(ArmSpan* span);
extern "C" void lumenfall_arm_fill(uint32_t* dst, int32_t count, uint32_t colour);
// One span of row y, pixels [x_begin, x_end) of the row at `row`, through
// the loop of its type: the planes, the subspan length and the samples'
// shifts computed into the job (whose facet-wide words the caller has
// written) as paint_textured_row would; 0, painting nothing, where the
// shifts do not fit and the portable code must paint the span.
struct FacetGradients;
extern "C" int lumenfall_arm_shaded_row(ArmSpan* job, const FacetGradients* g, uint32_t* row,
                                        int32_t x_begin, int32_t x_end, int32_t y);
extern "C" int lumenfall_arm_keyed_row(ArmSpan* job, const FacetGradients* g, uint32_t* row,
                                       int32_t x_begin, int32_t x_end, int32_t y);
extern "C" int lumenfall_arm_cast_row(ArmSpan* job, const FacetGradients* g, uint32_t* row,
                                      int32_t x_begin, int32_t x_end, int32_t y);
extern "C" int lumenfall_arm_plain_row(ArmSpan* job, const FacetGradients* g, uint32_t* row,
                                       int32_t x_begin, int32_t x_end, int32_t y);
extern "C" int lumenfall_arm_plain512_row(ArmSpan* job, const FacetGradients* g, uint32_t* row,
                                          int32_t x_begin, int32_t x_end, int32_t y);

// Whether the row painters take the ARM loops where they apply (the build's
// default: yes where they are built). The check program turns them off to
// paint the same spans with the portable code.
void use_arm_spans(bool on);
extern bool arm_spans_enabled;
inline bool arm_spans_on() {
    return arm_spans_enabled;
}

} // namespace renderer
