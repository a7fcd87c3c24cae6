// Hand-written ARM-state span loops for the second core (span_arm.S): a
// whole span of the shaded type over a 256 x 256 texture that wraps by mask,
// samples and pixels, computing exactly what paint_span's portable code
// computes from the same integers. The C++ side prepares the span's
// constants (span_paint.cpp); the check program tests/renderer/arm_span_check
// holds the two together bit for bit under qemu-arm.
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
struct ArmShadedSpan {
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
};

#if defined(__arm__)
static_assert(offsetof(ArmShadedSpan, w) == 12 && offsetof(ArmShadedSpan, w_step) == 28 &&
              offsetof(ArmShadedSpan, w_last) == 44 && offsetof(ArmShadedSpan, shift_u) == 60 &&
              offsetof(ArmShadedSpan, u_ref) == 72 && offsetof(ArmShadedSpan, s_ref_lo) == 80 &&
              offsetof(ArmShadedSpan, shade_scale) == 88 &&
              offsetof(ArmShadedSpan, subspan_shift) == 92 &&
              offsetof(ArmShadedSpan, reciprocal_seeds) == 96 &&
              offsetof(ArmShadedSpan, step_reciprocal) == 108 &&
              offsetof(ArmShadedSpan, u) == 112 && sizeof(ArmShadedSpan) == 128);
#endif

extern "C" void lumenfall_arm_shaded_span(ArmShadedSpan* span);

// Whether the row painters take the ARM loops where they apply (the build's
// default: yes where they are built). The check program turns them off to
// paint the same spans with the portable code.
void use_arm_spans(bool on);
extern bool arm_spans_enabled;
inline bool arm_spans_on() {
    return arm_spans_enabled;
}

} // namespace renderer
