// Scan conversion of a clipped screen polygon into spans of covered pixels,
// and the screen-space gradients of its attributes.
#pragma once

#include "geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace sim {

// An attribute that varies linearly over the screen:
// value(x, y) = base + dx * (x - ref_x) + dy * (y - ref_y).
struct AttributePlane {
    double base = 0, dx = 0, dy = 0;
};

// 1/z and the attributes divided by z over one facet, all linear in screen
// space, referred to one of the facet's corners.
struct FacetGradients {
    double ref_x = 0, ref_y = 0;
    AttributePlane w, uw, vw, sw;

    double at(const AttributePlane& p, double x, double y) const {
        return p.base + p.dx * (x - ref_x) + p.dy * (y - ref_y);
    }
};

// Gradients from the corner triangle of largest area. A polygon with no
// area left gets flat attributes (those of its first corner).
FacetGradients facet_gradients(const ScreenPolygon& polygon);

// Pixels that may be covered: columns [x0, x1), rows [y0, y1).
struct PixelRect {
    int x0, y0, x1, y1;
};

// The pixels whose centres lie inside rect.
PixelRect pixel_rect(const ScreenRect& rect);

// Nearest integer at or above x, for values the clipper has already bounded;
// anything else (and NaN) is pinned to a safe range.
inline int ceil_to_int(double x) {
    constexpr double limit = 1 << 30;
    if (!(x > -limit)) return -(1 << 30);
    if (x > limit) return 1 << 30;
    return static_cast<int>(std::ceil(x));
}

// Walks the polygon's edges and reports each row's covered pixels.
//
// Fill rule: a pixel is covered when its centre (x + 0.5, y + 0.5) lies
// inside the polygon, with left and top edges counting as inside and right
// and bottom edges as outside. Facets sharing an edge then neither overlap
// nor leave a gap, whichever way round either of them is wound.
class Rasteriser {
  public:
    // Calls paint(row, x_begin, x_end) for every non-empty span inside bounds.
    template <class Paint>
    void run(const ScreenPolygon& polygon, const PixelRect& bounds, Paint&& paint) {
        if (polygon.size() < 3) return;
        double y_min = polygon[0].sy;
        double y_max = polygon[0].sy;
        for (const ScreenVertex& p : polygon) {
            y_min = std::min(y_min, p.sy);
            y_max = std::max(y_max, p.sy);
        }
        const int r0 = std::max(bounds.y0, ceil_to_int(y_min - 0.5));
        const int r1 = std::min(bounds.y1, ceil_to_int(y_max - 0.5));
        if (r0 >= r1) return;
        std::fill_n(left_.begin(), r1 - r0, std::numeric_limits<double>::infinity());
        std::fill_n(right_.begin(), r1 - r0, -std::numeric_limits<double>::infinity());

        const ScreenVertex* prev = &polygon.back();
        for (const ScreenVertex& cur : polygon) {
            add_edge(*prev, cur, r0, r1);
            prev = &cur;
        }

        for (int r = r0; r < r1; ++r) {
            const size_t i = static_cast<size_t>(r - r0);
            if (!(left_[i] < right_[i])) continue;
            const int xb = std::max(bounds.x0, ceil_to_int(left_[i] - 0.5));
            const int xe = std::min(bounds.x1, ceil_to_int(right_[i] - 0.5));
            if (xb < xe) paint(r, xb, xe);
        }
    }

  private:
    // Records where the edge crosses the centre line of each row it spans.
    // The crossing is computed from the edge's upper end, so an edge shared
    // by two facets yields the same x in both.
    void add_edge(const ScreenVertex& a, const ScreenVertex& b, int r0, int r1);

    std::array<double, max_draw_rows> left_, right_;
};

} // namespace sim
