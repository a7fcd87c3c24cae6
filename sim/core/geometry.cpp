#include "geometry.h"

#include <algorithm>

namespace sim {

namespace {

double from_fixed(uint32_t word) {
    return static_cast<double>(static_cast<int32_t>(word)) / fixed_one;
}

// The vertex records of the wire format, word by word.
constexpr uint32_t vertex_words_each = sizeof(cmdVertex) / sizeof(uint32_t);
static_assert(offsetof(cmdVertex, x) == 0 && offsetof(cmdVertex, u) == 12);

bool precedes(const CameraVertex& a, const CameraVertex& b) {
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

bool precedes(const ScreenVertex& a, const ScreenVertex& b) {
    if (a.sx != b.sx) return a.sx < b.sx;
    return a.sy < b.sy;
}

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

CameraVertex mix(const CameraVertex& a, const CameraVertex& b, double t) {
    return {mix(a.x, b.x, t), mix(a.y, b.y, t), mix(a.z, b.z, t),
            mix(a.u, b.u, t), mix(a.v, b.v, t), mix(a.s, b.s, t)};
}

ScreenVertex mix(const ScreenVertex& a, const ScreenVertex& b, double t) {
    return {mix(a.sx, b.sx, t), mix(a.sy, b.sy, t), mix(a.w, b.w, t),
            mix(a.uw, b.uw, t), mix(a.vw, b.vw, t), mix(a.sw, b.sw, t)};
}

// One pass of polygon clipping against a half-space (distance >= 0 is kept).
//
// The point where an edge crosses the boundary is always computed from the
// same end of the edge, whichever way round the polygon runs through it. Two
// facets sharing an edge therefore get bit-identical cut points, and the
// fill rule can hand each pixel along the seam to exactly one of them.
template <class Polygon, class Distance>
void clip_against(const Polygon& in, Polygon& out, Distance distance) {
    out.clear();
    if (in.empty()) return;
    const auto* prev = &in.back();
    double d_prev = distance(*prev);
    for (const auto& cur : in) {
        const double d_cur = distance(cur);
        if ((d_prev >= 0) != (d_cur >= 0)) {
            const auto* a = prev;
            const auto* b = &cur;
            double da = d_prev;
            double db = d_cur;
            if (precedes(*b, *a)) {
                std::swap(a, b);
                std::swap(da, db);
            }
            out.push_back(mix(*a, *b, da / (da - db)));
        }
        if (d_cur >= 0) out.push_back(cur);
        prev = &cur;
        d_prev = d_cur;
    }
}

} // namespace

ScreenRect clip_window(const View& view, const BufferSel& out) {
    if (!out.valid) return {0, 0, 0, 0};
    const double width = static_cast<double>(out.width());
    const double height = static_cast<double>(out.height);
    return {std::max(view_centre_x + view.clip_min_x, 0.0),
            std::max(view_centre_y + view.clip_min_y, 0.0),
            std::min(view_centre_x + view.clip_max_x, width),
            std::min({view_centre_y + view.clip_max_y, height, double{max_draw_rows}})};
}

const ScreenPolygon& FacetClipper::run(const uint32_t* vertex_words, uint32_t vertex_count,
                                       const RenderState& state, const ScreenRect& window) {
    cam_a_.clear();
    scr_a_.clear();
    if (window.empty()) return scr_a_;

    for (uint32_t i = 0; i < vertex_count; ++i) {
        const uint32_t* w = vertex_words + i * vertex_words_each;
        cam_a_.push_back({from_fixed(w[0]), from_fixed(w[1]), from_fixed(w[2]), from_fixed(w[3]),
                          from_fixed(w[4]), from_fixed(w[5])});
    }

    // Cut at the near plane first: after it every z is negative, so the
    // projection below never divides by zero.
    clip_against(cam_a_, cam_b_, [](const CameraVertex& p) { return near_plane_z - p.z; });
    std::swap(cam_a_, cam_b_);

    const uint32_t planes = std::min<uint32_t>(state.plane_count, gpu_max_clip_planes);
    for (uint32_t i = 0; i < planes && !cam_a_.empty(); ++i) {
        const Plane& pl = state.planes[i];
        clip_against(cam_a_, cam_b_, [&pl](const CameraVertex& p) {
            return (p.x - pl.point[0]) * pl.normal[0] + (p.y - pl.point[1]) * pl.normal[1] +
                   (p.z - pl.point[2]) * pl.normal[2];
        });
        std::swap(cam_a_, cam_b_);
    }

    const double focal = state.view.focal();
    for (const CameraVertex& p : cam_a_) {
        const double w = 1.0 / -p.z;
        scr_a_.push_back({view_centre_x + p.x * focal * w, view_centre_y + p.y * focal * w, w,
                          p.u * w, p.v * w, p.s * w});
    }

    clip_against(scr_a_, scr_b_, [&](const ScreenVertex& p) { return p.sx - window.x0; });
    clip_against(scr_b_, scr_a_, [&](const ScreenVertex& p) { return window.x1 - p.sx; });
    clip_against(scr_a_, scr_b_, [&](const ScreenVertex& p) { return p.sy - window.y0; });
    clip_against(scr_b_, scr_a_, [&](const ScreenVertex& p) { return window.y1 - p.sy; });
    return scr_a_;
}

} // namespace sim
