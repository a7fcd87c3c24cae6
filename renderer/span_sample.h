// Perspective-correct samples along a span, and the linear steps between
// them. A sample divides the attribute planes by W through one reciprocal
// (one 32-bit division); everything between two samples is added, never
// divided.
#pragma once

#include "fixed_point.h"
#include "gradients.h"
#include "luma_transfer.h"

#include <cstdint>

namespace renderer {

// Textured spans are exact at every 16 pixels and linear in between, or
// every 32 where W varies so little along the span that the longer linear
// stretch errs no more (long_subspans_fit).
inline constexpr int32_t subspan_pixels = 16;
inline constexpr int subspan_shift = 4;
inline constexpr int32_t long_subspan_pixels = 32;
inline constexpr int long_subspan_shift = 5;

// True when W changes by at most 1/32 of its smaller end value over 32
// pixels: a linear stretch of 32 pixels then errs by under 1/128 of the
// texels it crosses (a quarter of W's relative change), a quarter texel
// where a texture is shown at its own size. Inside a facet W is positive at
// both ends.
inline bool long_subspans_fit(int64_t w_first, int64_t w_last, int64_t w_per_pixel) {
    const int64_t smaller = w_first < w_last ? w_first : w_last;
    const int64_t change = w_per_pixel < 0 ? -w_per_pixel : w_per_pixel;
    return smaller > 0 && change <= (smaller >> 10);
}

// Texture coordinates (raw 16.16, not yet wrapped) and the luma transfer at
// one pixel centre.
struct Sample {
    int64_t u, v;
    LumaTransfer shade;
};

// One plane along one span in 32 bits: the 64-bit plane shifted right by a
// per-span amount chosen so that its values over the span (linear, so
// largest at an end) fit 30 bits. Subspans (2^shift_pixels pixels) then step
// it with one 32-bit add;
// the truncated step errs by under one unit per subspan, below 2^-21 of the
// span's largest value.
struct SpanPlane {
    int32_t at;   // value at the current sample, times 2^-shift
    int32_t step; // change over a whole subspan, times 2^-shift
    int shift;
};

[[gnu::always_inline]] inline SpanPlane span_plane(int64_t first, int64_t last, int64_t per_pixel,
                                                   int shift_pixels) {
    const int64_t step = per_pixel * (int64_t{1} << shift_pixels);
    const uint64_t reach =
        static_cast<uint64_t>(max64(first < 0 ? -first : first, last < 0 ? -last : last)) +
        static_cast<uint64_t>(step < 0 ? -step : step);
    // bit_length64(reach) - 30, at least 0, with one bit-length ladder at
    // most: below 2^32 only the top two bits count.
    const auto high = static_cast<uint32_t>(reach >> 32);
    const auto low = static_cast<uint32_t>(reach);
    const int shift = high != 0 ? bit_length32(high) + 2
                                : static_cast<int>(low >> 31) + static_cast<int>((low >> 30) != 0);
    return {static_cast<int32_t>(first >> shift), static_cast<int32_t>(step >> shift), shift};
}

// The value `pixels` pixels further on, for a span's last sample.
[[gnu::always_inline]] inline int32_t plane_ahead(const SpanPlane& p, int64_t per_pixel,
                                                  int32_t pixels) {
    return p.at + static_cast<int32_t>((per_pixel * pixels) >> p.shift);
}

// a * 2^30 / w, given a = A * 2^-sa and w's reciprocal (w = W * 2^-sw): the
// product of a 30-bit value and a 17-bit reciprocal, one 64-bit shift.
[[gnu::always_inline]] inline int64_t divide_by_w(int32_t a, int sa, const Reciprocal& rw, int sw) {
    // r <= 2^17 fits a signed word: one signed 32 x 32 -> 64 multiply.
    const int64_t product = int64_t{a} * static_cast<int32_t>(rw.r);
    const int shift = 32 - cut_w_bits + rw.shift + sw - sa;
    if (shift >= 0) return shift < 63 ? product >> shift : (product < 0 ? -1 : 0);
    // A far corner of a facet reaching to the horizon: W tiny against the
    // attribute. Bounded so that the texture coordinate cannot overflow.
    const int left = -shift < 20 ? -shift : 20;
    return clamp64(product, -(int64_t{1} << 42), int64_t{1} << 42) * (int64_t{1} << left);
}

// The four planes of a span.
struct SpanPlanes {
    SpanPlane w, uw, vw, sw;
};

// The luma transfer for a sample's shade. The shade is bounded to
// [-2^31, 2^31] and |shade_scale| <= 2^26, so the steps lie within +-2^25.
// The product is one 32 x 32 -> 64 multiply: the top bound 2^31 is taken as
// (2^31 - 1) plus one scale.
[[gnu::always_inline]] inline LumaTransfer bounded_shade_transfer(int64_t shade,
                                                                  int32_t shade_scale) {
    constexpr int64_t half = int64_t{1} << 31;
    const int32_t bounded = shade >= half   ? INT32_MAX
                            : shade < -half ? INT32_MIN
                                            : static_cast<int32_t>(shade);
    int64_t product = int64_t{bounded} * shade_scale;
    if (shade >= half) product += shade_scale;
    return luma_transfer(static_cast<int32_t>((product + half) >> 32));
}

template <bool Shaded>
[[gnu::always_inline]] inline Sample sample_at(const FacetGradients& g, const SpanPlanes& p,
                                               int32_t w, int32_t uw, int32_t vw, int32_t sw,
                                               int32_t shade_scale) {
    // Inside a facet W stays positive; rounding at a sliver's edge must not
    // make it zero or negative.
    const Reciprocal rw = reciprocal16(static_cast<uint32_t>(w > 0 ? w : 1));
    Sample s{g.u_ref + divide_by_w(uw, p.uw.shift, rw, p.w.shift),
             g.v_ref + divide_by_w(vw, p.vw.shift, rw, p.w.shift),
             {0, 0}};
    if constexpr (Shaded)
        s.shade = bounded_shade_transfer(g.s_ref + divide_by_w(sw, p.sw.shift, rw, p.w.shift),
                                         shade_scale);
    return s;
}

// 2^16 / k rounded up, for the last, shorter subspan of a span.
inline constexpr uint32_t step_reciprocal[long_subspan_pixels] = {
    0,    65536, 32768, 21846, 16384, 13108, 10923, 9363, 8192, 7282, 6554,
    5958, 5462,  5042,  4682,  4370,  4096,  3856,  3641, 3450, 3277, 3121,
    2979, 2850,  2731,  2622,  2521,  2428,  2341,  2260, 2185, 2115,
};

// (to - from) / steps for 1 <= steps <= 2^shift (16 or 32), in 32 bits: a
// shift for a whole subspan, a tabled reciprocal for a span's last one. Texture
// coordinates only matter modulo 2^32 (the texture sizes divide it; taller
// textures take exact steps), so their differences are taken modulo 2^32
// too: exact unless a subspan crosses 32768 texels.
inline int32_t step_of(int64_t from, int64_t to, int32_t steps, int shift) {
    const auto d = static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
    if (steps == int32_t{1} << shift) return d >> shift;
    return static_cast<int32_t>((int64_t{d} * static_cast<int32_t>(step_reciprocal[steps])) >> 16);
}

// The same for the exact path of tall textures, in 64 bits.
inline int64_t step_of_exact(int64_t from, int64_t to, int32_t steps, int shift) {
    constexpr int64_t limit = int64_t{1} << 46;
    const int64_t d = clamp64(to - from, -limit, limit);
    if (steps == int32_t{1} << shift) return d >> shift;
    return (d * step_reciprocal[steps]) >> 16;
}

} // namespace renderer
