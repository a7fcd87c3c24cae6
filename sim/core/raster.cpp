#include "raster.h"

namespace sim {

namespace {

// Below this area (in square pixels) a triangle cannot give meaningful
// gradients; such slivers cover at most a handful of pixels anyway.
constexpr double min_gradient_area = 1e-6;

double cross(const ScreenVertex& o, const ScreenVertex& a, const ScreenVertex& b) {
    return (a.sx - o.sx) * (b.sy - o.sy) - (b.sx - o.sx) * (a.sy - o.sy);
}

AttributePlane solve(double a0, double a1, double a2, double dx1, double dy1, double dx2,
                     double dy2, double det) {
    return {a0, ((a1 - a0) * dy2 - (a2 - a0) * dy1) / det,
            ((a2 - a0) * dx1 - (a1 - a0) * dx2) / det};
}

} // namespace

FacetGradients facet_gradients(const ScreenPolygon& polygon) {
    FacetGradients g;
    if (polygon.empty()) return g;
    const ScreenVertex& p0 = polygon[0];
    g.ref_x = p0.sx;
    g.ref_y = p0.sy;
    g.w.base = p0.w;
    g.uw.base = p0.uw;
    g.vw.base = p0.vw;
    g.sw.base = p0.sw;

    // The corner farthest from the first, then the corner farthest from the
    // line through both: a well-conditioned triangle in linear time.
    size_t far = 0;
    double best = 0;
    for (size_t i = 1; i < polygon.size(); ++i) {
        const double dx = polygon[i].sx - p0.sx;
        const double dy = polygon[i].sy - p0.sy;
        if (dx * dx + dy * dy > best) {
            best = dx * dx + dy * dy;
            far = i;
        }
    }
    size_t third = 0;
    double det = 0;
    for (size_t i = 1; i < polygon.size(); ++i) {
        const double c = cross(p0, polygon[far], polygon[i]);
        if (std::fabs(c) > std::fabs(det)) {
            det = c;
            third = i;
        }
    }
    if (!(std::fabs(det) > min_gradient_area)) return g;

    const ScreenVertex& p1 = polygon[far];
    const ScreenVertex& p2 = polygon[third];
    const double dx1 = p1.sx - p0.sx, dy1 = p1.sy - p0.sy;
    const double dx2 = p2.sx - p0.sx, dy2 = p2.sy - p0.sy;
    g.w = solve(p0.w, p1.w, p2.w, dx1, dy1, dx2, dy2, det);
    g.uw = solve(p0.uw, p1.uw, p2.uw, dx1, dy1, dx2, dy2, det);
    g.vw = solve(p0.vw, p1.vw, p2.vw, dx1, dy1, dx2, dy2, det);
    g.sw = solve(p0.sw, p1.sw, p2.sw, dx1, dy1, dx2, dy2, det);
    return g;
}

PixelRect pixel_rect(const ScreenRect& rect) {
    if (rect.empty()) return {0, 0, 0, 0};
    return {ceil_to_int(rect.x0 - 0.5), ceil_to_int(rect.y0 - 0.5), ceil_to_int(rect.x1 - 0.5),
            ceil_to_int(rect.y1 - 0.5)};
}

void Rasteriser::add_edge(const ScreenVertex& a, const ScreenVertex& b, int r0, int r1) {
    if (a.sy == b.sy) return; // a horizontal edge crosses no centre line
    const ScreenVertex& top = a.sy < b.sy ? a : b;
    const ScreenVertex& bottom = a.sy < b.sy ? b : a;
    const int e0 = std::max(r0, ceil_to_int(top.sy - 0.5));
    const int e1 = std::min(r1, ceil_to_int(bottom.sy - 0.5));
    const double slope = (bottom.sx - top.sx) / (bottom.sy - top.sy);
    for (int r = e0; r < e1; ++r) {
        const double x = top.sx + (r + 0.5 - top.sy) * slope;
        const size_t i = static_cast<size_t>(r - r0);
        left_[i] = std::min(left_[i], x);
        right_[i] = std::max(right_[i], x);
    }
}

} // namespace sim
