// The screen-space planes of a facet's perspective attributes.
//
// W = d_min / depth scaled to 2^30 at the facet's nearest corner, and the
// attributes times W, vary linearly on screen. Attributes are taken
// relative to the first corner's (u_ref, v_ref, s_ref), differences clamped
// to +-2^32 raw (65536 texels), so that U * W stays below 2^62 and the
// planes below 2^34 per attribute.
//
// A plane holds its value at the reference corner and its change per pixel
// in x and y with 8 more fraction bits (gradient units), bounded by 2^40:
// a larger change per pixel only comes from a sliver thinner than a pixel.
#pragma once

#include "fixed_point.h"
#include "geometry.h"

#include <cstdint>

namespace renderer {

struct AttributePlane {
    int64_t base = 0;       // at the reference corner
    int64_t dx = 0, dy = 0; // per pixel, times 2^8
};

// Each attribute plane's value at the centre of pixel column 0 of one row,
// times 2^8; the value at column x is at + x * plane.dx.
struct RowStart {
    int64_t w = 0, uw = 0, vw = 0, sw = 0;
};

struct FacetGradients {
    int32_t ref_x = 0, ref_y = 0; // reference corner, 1/256 pixel
    int64_t u_ref = 0, v_ref = 0, s_ref = 0;
    AttributePlane w, uw, vw, sw;
    RowStart row_zero; // the planes at the start of row 0
};

inline constexpr int gradient_extra_bits = 8;
inline constexpr int cut_w_bits = 30; // W at the nearest corner

// Gradients from the corner triangle of largest area. A polygon with no
// area left gets flat attributes (those of its first corner).
FacetGradients facet_gradients(const ScreenPolygon& polygon);

// The planes at the start of row y: row 0's plus y rows' change, exactly
// what evaluating the plane at row y gives, as a row's offset from the
// reference corner is a whole number of pixels (256 units) plus a constant.
inline RowStart row_start(const FacetGradients& g, int32_t y) {
    const RowStart& r = g.row_zero;
    // Rows on screen: y >= 0.
    return {r.w + times_count(g.w.dy, y), r.uw + times_count(g.uw.dy, y),
            r.vw + times_count(g.vw.dy, y), r.sw + times_count(g.sw.dy, y)};
}

} // namespace renderer
