#include "gradients.h"

#include "fixed_point.h"

namespace renderer {

namespace {

constexpr int64_t gradient_limit = int64_t{1} << 40;
constexpr int64_t attribute_span_limit = int64_t{1} << 32;

struct Corner {
    int64_t w, uw, vw, sw;
};

int64_t cross(const ScreenVertex& o, const ScreenVertex& a, const ScreenVertex& b) {
    return (int64_t{a.sx} - o.sx) * (int64_t{b.sy} - o.sy) -
           (int64_t{b.sx} - o.sx) * (int64_t{a.sy} - o.sy);
}

// num / det per 1/256 pixel is num * 2^16 / det per pixel in gradient
// units: quotient and remainder give it without a 128-bit product. det > 0.
int64_t per_pixel(int64_t num, int64_t det) {
    const int64_t q = floor_div64(num, det);
    if (q >= (gradient_limit >> 16)) return gradient_limit;
    if (q < -(gradient_limit >> 16)) return -gradient_limit;
    const int64_t r = num - q * det; // [0, det), det < 2^44
    return clamp64(q * 65536 + (r * 65536) / det, -gradient_limit, gradient_limit);
}

// Solves the plane through three corners' values: a0 at p0, a1 and a2 at
// offsets (dx1, dy1) and (dx2, dy2) in 1/256 pixel.
AttributePlane solve(int64_t a0, int64_t a1, int64_t a2, int64_t dx1, int64_t dy1, int64_t dx2,
                     int64_t dy2, int64_t det) {
    // Values below 2^34, offsets below 2^21: products below 2^56.
    return {a0, per_pixel((a1 - a0) * dy2 - (a2 - a0) * dy1, det),
            per_pixel((a2 - a0) * dx1 - (a1 - a0) * dx2, det)};
}

RowStart row_zero(const FacetGradients& g) {
    // Offsets from the reference corner to the centre of column 0 of row 0,
    // in 1/256 pixel (below 2^21); products with gradients below 2^61. Row y
    // adds y * 256 to oy, hence exactly y * dy after the shift.
    const int64_t ox = sub_pixel_half - int64_t{g.ref_x};
    const int64_t oy = sub_pixel_half - int64_t{g.ref_y};
    auto at = [&](const AttributePlane& p) {
        return wrap_add64(p.base << gradient_extra_bits,
                          (wrap_add64(p.dx * ox, p.dy * oy)) >> sub_pixel_bits);
    };
    return {at(g.w), at(g.uw), at(g.vw), at(g.sw)};
}

} // namespace

FacetGradients facet_gradients(const ScreenPolygon& polygon) {
    FacetGradients g;
    if (polygon.empty()) return g;
    const ScreenVertex& p0 = polygon[0];
    g.ref_x = p0.sx;
    g.ref_y = p0.sy;
    g.u_ref = p0.u;
    g.v_ref = p0.v;
    g.s_ref = p0.s;

    // W at each corner: the nearest depth over this one, 2^30 at most. Both
    // depths are first shifted so that the nearest fits 33 bits, which
    // keeps the dividend below 2^63.
    int64_t nearest = polygon[0].depth;
    for (const ScreenVertex& p : polygon)
        nearest = min64(nearest, p.depth);
    const int drop = bit_length64(static_cast<uint64_t>(nearest)) - 33;
    auto corner = [&](const ScreenVertex& p) {
        const int64_t near = drop > 0 ? nearest >> drop : nearest;
        const int64_t depth = drop > 0 ? p.depth >> drop : p.depth;
        const int64_t w = (near << cut_w_bits) / depth;
        auto times_w = [w](int64_t value, int64_t ref) {
            return (clamp64(value - ref, -attribute_span_limit, attribute_span_limit) * w) >>
                   cut_w_bits;
        };
        return Corner{w, times_w(p.u, g.u_ref), times_w(p.v, g.v_ref), times_w(p.s, g.s_ref)};
    };
    const Corner c0 = corner(p0);
    g.w.base = c0.w;
    g.uw.base = c0.uw;
    g.vw.base = c0.vw;
    g.sw.base = c0.sw;

    // The corner farthest from the first, then the corner farthest from the
    // line through both: a well-conditioned triangle in linear time.
    size_t far = 0;
    int64_t best = 0;
    for (size_t i = 1; i < polygon.size(); ++i) {
        const int64_t dx = int64_t{polygon[i].sx} - p0.sx;
        const int64_t dy = int64_t{polygon[i].sy} - p0.sy;
        if (dx * dx + dy * dy > best) {
            best = dx * dx + dy * dy;
            far = i;
        }
    }
    size_t third = 0;
    int64_t det = 0;
    for (size_t i = 1; i < polygon.size(); ++i) {
        const int64_t c = cross(p0, polygon[far], polygon[i]);
        if ((c < 0 ? -c : c) > (det < 0 ? -det : det)) {
            det = c;
            third = i;
        }
    }
    if (det == 0) {
        g.row_zero = row_zero(g);
        return g;
    }

    // With the two corners in the order that makes the determinant
    // positive, every gradient below is a floor division by it.
    const ScreenVertex* p1 = &polygon[far];
    const ScreenVertex* p2 = &polygon[third];
    if (det < 0) {
        const ScreenVertex* const swap = p1;
        p1 = p2;
        p2 = swap;
        det = -det;
    }
    const int64_t dx1 = int64_t{p1->sx} - p0.sx, dy1 = int64_t{p1->sy} - p0.sy;
    const int64_t dx2 = int64_t{p2->sx} - p0.sx, dy2 = int64_t{p2->sy} - p0.sy;
    const Corner c1 = corner(*p1);
    const Corner c2 = corner(*p2);
    g.w = solve(c0.w, c1.w, c2.w, dx1, dy1, dx2, dy2, det);
    g.uw = solve(c0.uw, c1.uw, c2.uw, dx1, dy1, dx2, dy2, det);
    g.vw = solve(c0.vw, c1.vw, c2.vw, dx1, dy1, dx2, dy2, det);
    g.sw = solve(c0.sw, c1.sw, c2.sw, dx1, dy1, dx2, dy2, det);
    g.row_zero = row_zero(g);
    return g;
}

} // namespace renderer
