#include "geometry.h"

#include "fixed_point.h"

namespace renderer {

namespace {

// The vertex records of the wire format, word by word.
constexpr uint32_t vertex_words_each = sizeof(cmdVertex) / sizeof(uint32_t);
static_assert(offsetof(cmdVertex, x) == 0 && offsetof(cmdVertex, u) == 12);

// The projection centre in pixels.
constexpr int64_t centre_x = 160;
constexpr int64_t centre_y = 120;

// Points closer than 16 raw units (1/4096 unit) are cut away.
constexpr int64_t near_depth = int64_t{16} << cam_extra_bits;

int64_t raw(uint32_t word) {
    return static_cast<int32_t>(word);
}

bool precedes(const CameraVertex& a, const CameraVertex& b) {
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

CameraVertex cut_point(const CameraVertex& a, const CameraVertex& b, int64_t t) {
    return {lerp30(a.x, b.x, t), lerp30(a.y, b.y, t), lerp30(a.z, b.z, t),
            lerp30(a.u, b.u, t), lerp30(a.v, b.v, t), lerp30(a.s, b.s, t)};
}

// One pass of polygon clipping against a half-space (distance >= 0 is
// kept). False when the result would not fit the polygon's storage.
//
// The point where an edge crosses the boundary is always computed from the
// same end of the edge, whichever way round the polygon runs through it. Two
// facets sharing an edge therefore get identical cut points, and the fill
// rule can hand each pixel along the seam to exactly one of them.
template <class Distance>
bool clip_against(const CameraPolygon& in, CameraPolygon& out, Distance distance) {
    out.clear();
    if (in.empty()) return true;
    const CameraVertex* prev = &in.back();
    int64_t d_prev = distance(*prev);
    for (const CameraVertex& cur : in) {
        const int64_t d_cur = distance(cur);
        if ((d_prev >= 0) != (d_cur >= 0)) {
            const CameraVertex* a = prev;
            const CameraVertex* b = &cur;
            int64_t da = d_prev;
            int64_t db = d_cur;
            if (precedes(*b, *a)) {
                const CameraVertex* swap_v = a;
                a = b;
                b = swap_v;
                const int64_t swap_d = da;
                da = db;
                db = swap_d;
            }
            const int64_t t = cut_fraction(da < 0 ? -da : da, db < 0 ? -db : db);
            if (!out.push_back(cut_point(*a, *b, t))) return false;
        }
        if (d_cur >= 0 && !out.push_back(cur)) return false;
        prev = &cur;
        d_prev = d_cur;
    }
    return true;
}

// (p - point) . normal, scaled down by 8 so that no sum overflows: each
// difference is below 2^32 and each normal component below 2^31.
int64_t plane_distance(const Plane& pl, const CameraVertex& p) {
    const int64_t c[3] = {p.x >> cam_extra_bits, p.y >> cam_extra_bits, p.z >> cam_extra_bits};
    int64_t sum = 0;
    for (int k = 0; k < 3; ++k)
        sum += (((c[k] - pl.point[k]) >> 1) * pl.normal[k]) >> 2;
    return sum;
}

// The projection of one coordinate: centre + c * 2^dproj / depth, in 1/256
// pixel. The window cuts have already bounded c * 2^dproj by about 2^13
// depths; the bound is enforced here too, so the product cannot overflow.
int32_t project(int64_t c, int32_t dproj, int64_t depth, int64_t centre) {
    const int64_t limit = depth << 13;
    const int64_t n = clamp64(c * (int64_t{1} << dproj), -limit, limit);
    return static_cast<int32_t>(centre * sub_pixel_one + floor_div64(n * sub_pixel_one, depth));
}

} // namespace

ScreenRect clip_window(const View& view, const BufferSel& out) {
    if (!out.valid) return {0, 0, 0, 0};
    const int64_t width = out.width();
    const int64_t height = min64(out.height, max_draw_rows);
    return {static_cast<int32_t>(clamp64(centre_x + view.clip_min_x, 0, width)),
            static_cast<int32_t>(clamp64(centre_y + view.clip_min_y, 0, height)),
            static_cast<int32_t>(clamp64(centre_x + view.clip_max_x, 0, width)),
            static_cast<int32_t>(clamp64(centre_y + view.clip_max_y, 0, height))};
}

const ScreenPolygon& FacetClipper::run(const uint32_t* vertex_words, uint32_t vertex_count,
                                       const RenderState& state, const ScreenRect& window) {
    cam_a_.clear();
    screen_.clear();
    overflowed_ = false;
    if (window.empty()) return screen_;

    for (uint32_t i = 0; i < vertex_count; ++i) {
        const uint32_t* w = vertex_words + i * vertex_words_each;
        cam_a_.push_back({raw(w[0]) << cam_extra_bits, raw(w[1]) << cam_extra_bits,
                          raw(w[2]) << cam_extra_bits, raw(w[3]), raw(w[4]), raw(w[5])});
    }

    // Each pass reads *poly and leaves its result there; the two stores
    // trade places instead of being copied.
    CameraPolygon* poly = &cam_a_;
    CameraPolygon* spare = &cam_b_;
    bool fits = true;
    auto pass = [&](auto distance) {
        if (fits && !poly->empty()) {
            fits = clip_against(*poly, *spare, distance);
            CameraPolygon* const done = spare;
            spare = poly;
            poly = done;
        }
    };

    // The near plane first: after it every depth is positive, so the
    // window cuts and the projection below never divide by zero.
    pass([](const CameraVertex& p) { return -near_depth - p.z; });

    const uint32_t planes =
        state.plane_count < gpu_max_clip_planes ? state.plane_count : gpu_max_clip_planes;
    for (uint32_t i = 0; i < planes; ++i) {
        const Plane& pl = state.planes[i];
        pass([&pl](const CameraVertex& p) { return plane_distance(pl, p); });
    }

    // The window's sides as planes through the eye: sx >= x0 is
    // x * 2^dproj >= (x0 - 160) * depth, and so on. Products stay below
    // 2^56 (|x| < 2^39 cam units, dproj <= 16, windows within 2^13 pixels).
    const int64_t focal = int64_t{1} << state.view.dproj;
    const int64_t left = centre_x - window.x0, right = window.x1 - centre_x;
    const int64_t top = centre_y - window.y0, bottom = window.y1 - centre_y;
    pass([&](const CameraVertex& p) { return p.x * focal + left * -p.z; });
    pass([&](const CameraVertex& p) { return right * -p.z - p.x * focal; });
    pass([&](const CameraVertex& p) { return p.y * focal + top * -p.z; });
    pass([&](const CameraVertex& p) { return bottom * -p.z - p.y * focal; });
    if (!fits) {
        overflowed_ = true;
        return screen_;
    }

    const int64_t x_lo = int64_t{window.x0} * sub_pixel_one,
                  x_hi = int64_t{window.x1} * sub_pixel_one;
    const int64_t y_lo = int64_t{window.y0} * sub_pixel_one,
                  y_hi = int64_t{window.y1} * sub_pixel_one;
    for (const CameraVertex& p : *poly) {
        const int64_t depth = -p.z;
        // Cut points land within rounding of the window's sides; the clamp
        // puts them exactly on it.
        const int32_t sx = static_cast<int32_t>(
            clamp64(project(p.x, state.view.dproj, depth, centre_x), x_lo, x_hi));
        const int32_t sy = static_cast<int32_t>(
            clamp64(project(p.y, state.view.dproj, depth, centre_y), y_lo, y_hi));
        screen_.push_back({sx, sy, depth, p.u, p.v, p.s});
    }
    return screen_;
}

} // namespace renderer
