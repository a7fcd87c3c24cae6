// The luma transfer of a shaded texel: luma' = (Y * a + b) >> 16, with a
// brightness factor of 2^octaves. Darkening (octaves < 0) pulls luma towards
// black, brightening towards white, so neither ever leaves the studio range:
// luma' = limit + (Y - limit) * 2^-|octaves|, limit 16 or 235, rounded to
// nearest (the bias is folded into b).
#pragma once

#include "config.h"

#include <cstdint>

namespace renderer {

// Shades are quantised to 1/1024 octave: a step changes the factor by
// 0.07 %, so the quantisation moves a luma by less than a tenth of a level
// and a table of one octave's fractions replaces the exponential.
inline constexpr int luma_steps_per_octave = 1024;
// Beyond 32 octaves every factor is 0 in 16.16.
inline constexpr int luma_max_octaves = 32;

// 2^31 * 2^(-i / 1024) rounded, for i = 0 .. 1023.
extern const uint32_t luma_octave_fraction[luma_steps_per_octave];

struct LumaTransfer {
    int32_t a; // 16.16, at most 1.0
    int32_t b; // 16.16, below 236.0
};

// The transfer for a shade of `steps` 1/1024 octaves (negative darkens), in
// 32-bit arithmetic: a shift of 32 or more leaves nothing of a table entry
// (below 2^32), so a is 0 there without a 64-bit shift.
inline LumaTransfer luma_transfer(int32_t steps) {
    constexpr uint32_t max_steps = uint32_t{luma_max_octaves} * luma_steps_per_octave;
    const uint32_t magnitude =
        steps < 0 ? 0u - static_cast<uint32_t>(steps) : static_cast<uint32_t>(steps);
    const uint32_t n = magnitude < max_steps ? magnitude : max_steps;
    // The table holds 31 fractional bits; 15 of them go, and one more for
    // every whole octave.
    const uint32_t shift = 15 + n / luma_steps_per_octave;
    const auto a = static_cast<int32_t>(
        shift < 32 ? luma_octave_fraction[n % luma_steps_per_octave] >> shift : 0u);
    const int32_t limit = steps < 0 ? luma_min : luma_max;
    return {a, limit * (1 << 16) + (1 << 15) - limit * a};
}

} // namespace renderer
