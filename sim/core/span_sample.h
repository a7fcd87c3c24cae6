// Perspective-correct samples along a span, and the linear steps between
// them. A sample divides the attribute planes by W through one reciprocal
// (one 32-bit division); everything between two samples is added, never
// divided.
#pragma once

#include "fixed_point.h"
#include "gradients.h"
#include "luma_transfer.h"

#include <cstdint>

namespace sim {

// Textured spans are exact at every this many pixels and linear in between.
inline constexpr int32_t subspan_pixels = 16;
inline constexpr int subspan_shift = 4;

// Texture coordinates (raw 16.16, not yet wrapped) and the luma transfer at
// one pixel centre.
struct Sample {
    int64_t u, v;
    LumaTransfer shade;
};

// a * 2^30 / w for a plane value a and W value w, both times 2^8, through
// w's reciprocal. |a| is bounded by 2^42 first (inside a facet it stays
// below 2^41), so the product stays below 2^59.
inline int64_t divide_by_w(int64_t a, const Reciprocal& rw) {
    constexpr int64_t limit = int64_t{1} << 42;
    const int64_t product = clamp64(a, -limit, limit) * rw.r;
    const int shift = 32 - cut_w_bits + rw.shift;
    if (shift >= 0) return product >> shift;
    // Only a W below 2^-6 of its nearest value gets here: a far corner of a
    // facet that reaches to the horizon.
    return clamp64(product, -(int64_t{1} << 49), int64_t{1} << 49) * (int64_t{1} << -shift);
}

// The four planes at one pixel centre of a row (times 2^8), and how they
// change from pixel to pixel.
struct PlanesAt {
    int64_t w, uw, vw, sw;
};

inline PlanesAt planes_at(const RowStart& row, const FacetGradients& g, int32_t x) {
    return {row.w + x * g.w.dx, row.uw + x * g.uw.dx, row.vw + x * g.vw.dx, row.sw + x * g.sw.dx};
}

inline PlanesAt advanced(const PlanesAt& p, const PlanesAt& step) {
    return {p.w + step.w, p.uw + step.uw, p.vw + step.vw, p.sw + step.sw};
}

template <bool Shaded>
[[gnu::always_inline]] inline Sample sample_at(const FacetGradients& g, const PlanesAt& at,
                                               int64_t shade_scale) {
    // Inside a facet W stays positive; rounding at a sliver's edge must not
    // make it zero or negative.
    const Reciprocal rw = reciprocal16(at.w);
    Sample s{g.u_ref + divide_by_w(at.uw, rw), g.v_ref + divide_by_w(at.vw, rw), {0, 0}};
    if constexpr (Shaded) {
        constexpr int64_t limit = int64_t{1} << 31;
        const int64_t shade = clamp64(g.s_ref + divide_by_w(at.sw, rw), -limit, limit);
        s.shade = luma_transfer((shade * shade_scale + (int64_t{1} << 31)) >> 32);
    }
    return s;
}

// 2^16 / k rounded up, for the last, shorter subspan of a span.
inline constexpr uint32_t step_reciprocal[subspan_pixels] = {
    0,    65536, 32768, 21846, 16384, 13108, 10923, 9363,
    8192, 7282,  6554,  5958,  5462,  5042,  4682,  4370,
};

// (to - from) / steps for 1 <= steps <= 16, in 32 bits: a shift for a
// whole subspan, a tabled reciprocal for a span's last one. Texture
// coordinates only matter modulo 2^32 (the texture sizes divide it; taller
// textures take exact steps), so their differences are taken modulo 2^32
// too: exact unless a subspan crosses 32768 texels.
inline int32_t step_of(int64_t from, int64_t to, int32_t steps) {
    const auto d = static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
    if (steps == subspan_pixels) return d >> subspan_shift;
    return static_cast<int32_t>((int64_t{d} * step_reciprocal[steps]) >> 16);
}

// The same for the exact path of tall textures, in 64 bits.
inline int64_t step_of_exact(int64_t from, int64_t to, int32_t steps) {
    constexpr int64_t limit = int64_t{1} << 46;
    const int64_t d = clamp64(to - from, -limit, limit);
    if (steps == subspan_pixels) return d >> subspan_shift;
    return (d * step_reciprocal[steps]) >> 16;
}

} // namespace sim
