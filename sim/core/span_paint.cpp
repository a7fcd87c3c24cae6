// Built with optimisation in every configuration: this is where the
// simulator spends its time.
#include "span_paint.h"

#include "pixel.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// Texture coordinates stepped in 16.16, kept in 64 bits so that no facet,
// however minified its texture, can overflow them.
constexpr double coord_limit = 1e12;

int64_t to_fixed64(double x) {
    if (std::isnan(x)) return 0;
    return static_cast<int64_t>(std::floor(std::clamp(x, -coord_limit, coord_limit) * fixed_one));
}

// Texture coordinates and shade at one pixel centre.
struct Sample {
    int64_t u, v;
    LumaTransfer shade;
};

// Per-pixel state inside one segment of a span.
struct Stepper {
    int64_t u, du, v, dv;
    int32_t a, da, b, db;
};

template <bool Shaded> Sample sample_at(const FacetPaint& p, double x, double y) {
    const FacetGradients& g = p.gradients;
    double w = g.at(g.w, x, y);
    // Inside a facet 1/z stays positive; rounding at a sliver's edge must not
    // turn it into a division by zero.
    w = std::max(w, 1e-300);
    Sample s{to_fixed64(g.at(g.uw, x, y) / w), to_fixed64(g.at(g.vw, x, y) / w), {0, 0}};
    if constexpr (Shaded) s.shade = luma_transfer(g.at(g.sw, x, y) / w, p.shade_octave);
    return s;
}

template <bool Shaded> Stepper make_stepper(const Sample& first, const Sample& last, int count) {
    Stepper st{first.u, 0, first.v, 0, first.shade.a, 0, first.shade.b, 0};
    if (count > 1) {
        st.du = (last.u - first.u) / (count - 1);
        st.dv = (last.v - first.v) / (count - 1);
        if constexpr (Shaded) {
            st.da = (last.shade.a - first.shade.a) / (count - 1);
            st.db = (last.shade.b - first.shade.b) / (count - 1);
        }
    }
    return st;
}

template <bool PowerOfTwoHeight> inline uint32_t fetch(const TextureView& t, int64_t u, int64_t v) {
    const uint32_t tu = static_cast<uint32_t>(u >> 16) & t.width_mask;
    uint32_t tv;
    if constexpr (PowerOfTwoHeight) {
        tv = static_cast<uint32_t>(v >> 16) & t.height_mask;
    } else {
        int64_t r = (v >> 16) % static_cast<int64_t>(t.height);
        if (r < 0) r += t.height;
        tv = static_cast<uint32_t>(r);
    }
    return t.texels[(static_cast<size_t>(tv) << t.log2_width) | tu];
}

// What each textured type does with one texel. The shade stepper fields are
// only read by the shaded type.
struct PlainOp {
    static constexpr bool shaded = false;
    static void apply(uint32_t& dst, uint32_t texel, const Stepper&, const FacetPaint&) {
        dst = texel;
    }
};

struct ShadedOp {
    static constexpr bool shaded = true;
    static void apply(uint32_t& dst, uint32_t texel, const Stepper& st, const FacetPaint&) {
        const int32_t y = static_cast<int32_t>(pixel_luma(texel)) * st.a + st.b;
        dst = with_luma(texel, static_cast<uint32_t>(std::min(y >> 16, 255)));
    }
};

struct ColorKeyOp {
    static constexpr bool shaded = false;
    static void apply(uint32_t& dst, uint32_t texel, const Stepper&, const FacetPaint& p) {
        if (texel != p.color) dst = texel;
    }
};

// A shadow in the picture's colours: the picture's shape darkens what lies
// beneath and pulls its chroma halfway to the picture's.
struct CastImageOp {
    static constexpr bool shaded = false;
    static void apply(uint32_t& dst, uint32_t texel, const Stepper&, const FacetPaint& p) {
        if (texel == p.color) return;
        const int32_t y =
            std::clamp(static_cast<int32_t>(pixel_luma(dst)) + p.luma_offset, luma_min, luma_max);
        const uint32_t u = (pixel_u(dst) + pixel_u(texel) + 1) >> 1;
        const uint32_t v = (pixel_v(dst) + pixel_v(texel) + 1) >> 1;
        dst = make_pixel(static_cast<uint32_t>(y), u, v);
    }
};

// Perspective-correct at every segment boundary, linear in between.
template <class Op, bool PowerOfTwoHeight>
void paint_textured_row(const FacetPaint& p, uint32_t* row, int x_begin, int x_end,
                        double y_centre) {
    int x = x_begin;
    Sample first = sample_at<Op::shaded>(p, x + 0.5, y_centre);
    while (x < x_end) {
        const int count = std::min(span_segment_pixels, x_end - x);
        const Sample last = count > 1 ? sample_at<Op::shaded>(p, x + count - 0.5, y_centre) : first;
        Stepper st = make_stepper<Op::shaded>(first, last, count);
        uint32_t* dst = row + x;
        for (int i = 0; i < count; ++i) {
            Op::apply(dst[i], fetch<PowerOfTwoHeight>(p.texture, st.u, st.v), st, p);
            st.u += st.du;
            st.v += st.dv;
            if constexpr (Op::shaded) {
                st.a += st.da;
                st.b += st.db;
            }
        }
        x += count;
        if (x < x_end) first = sample_at<Op::shaded>(p, x + 0.5, y_centre);
    }
}

void paint_flat_row(const FacetPaint& p, uint32_t* row, int x_begin, int x_end, double) {
    std::fill(row + x_begin, row + x_end, p.color);
}

template <bool PowerOfTwoHeight> RowPainter textured_painter(uint32_t rendering_type) {
    switch (rendering_type) {
    case rendering_texture:
        return &paint_textured_row<PlainOp, PowerOfTwoHeight>;
    case rendering_shaded:
        return &paint_textured_row<ShadedOp, PowerOfTwoHeight>;
    case rendering_color_key:
        return &paint_textured_row<ColorKeyOp, PowerOfTwoHeight>;
    case rendering_cast_image:
        return &paint_textured_row<CastImageOp, PowerOfTwoHeight>;
    default:
        return nullptr;
    }
}

} // namespace

LumaTransfer luma_transfer(double shade, double shade_octave) {
    double octaves = shade / shade_octave;
    if (std::isnan(octaves)) octaves = 0;
    const double f = std::exp2(std::clamp(octaves, -32.0, 32.0));
    double a, b;
    if (f < 1.0) {
        a = f;
        b = luma_min * (1.0 - f);
    } else {
        a = 1.0 / f;
        b = luma_max * (1.0 - a);
    }
    return {static_cast<int32_t>(std::lround(a * fixed_one)),
            static_cast<int32_t>(std::lround(b * fixed_one)) + 0x8000};
}

RowPainter select_row_painter(uint32_t rendering_type, bool power_of_two_height) {
    if (rendering_type == rendering_flat) return &paint_flat_row;
    return power_of_two_height ? textured_painter<true>(rendering_type)
                               : textured_painter<false>(rendering_type);
}

} // namespace sim
