// Built with optimisation in every configuration: this is where the
// simulator spends its time.
#include "span_paint.h"

#include "luma_transfer.h"
#include "narrow_fetch.h"
#include "pixel.h"
#include "segment_ops.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// Texture coordinates stepped in 16.16, kept in 64 bits so that no facet,
// however minified its texture, can overflow them.
constexpr double coord_limit = 1e12;

double bounded(double x) {
    return std::isnan(x) ? 0.0 : std::clamp(x, -coord_limit, coord_limit);
}

// floor(x * 65536) without a library call: truncate, then step down for
// negative fractions.
int64_t to_fixed64(double x) {
    const double scaled = bounded(x) * fixed_one;
    const int64_t t = static_cast<int64_t>(scaled);
    return static_cast<double>(t) > scaled ? t - 1 : t;
}

// Texture coordinates in 16.16 and the luma transfer at one pixel centre.
struct Sample {
    int64_t u, v;
    LumaTransfer shade;
};

// Per-pixel state inside one segment of a span. For textures with a power of
// two height, v is kept multiplied by the line length, so that the texel's
// line offset needs no variable shift.
struct Stepper {
    int64_t u, du, v, dv;
    int32_t a, da, b, db;
};

// 1/z and the attributes over z along one row: value at the centre of pixel
// x is base + x * step. The shade is in octaves.
struct RowLine {
    double w, uw, vw, sw;
    double dw, duw, dvw, dsw;
};

RowLine row_line(const FacetGradients& g, double y, double octaves_per_shade) {
    return {g.at(g.w, 0.5, y),
            g.at(g.uw, 0.5, y),
            g.at(g.vw, 0.5, y),
            g.at(g.sw, 0.5, y) * octaves_per_shade,
            g.w.dx,
            g.uw.dx,
            g.vw.dx,
            g.sw.dx * octaves_per_shade};
}

// The only division of a segment is 1/z; everything after it is converted
// to integers at once, so the segment's steps are integer differences.
template <bool Shaded>
[[gnu::always_inline]] inline Sample sample_at(const RowLine& r, int x, double v_scale) {
    const double k = x;
    // Inside a facet 1/z stays positive; rounding at a sliver's edge must not
    // turn it into a division by zero.
    const double inv_w = 1.0 / std::max(r.w + k * r.dw, 1e-300);
    Sample s{to_fixed64((r.uw + k * r.duw) * inv_w),
             to_fixed64((r.vw + k * r.dvw) * inv_w * v_scale),
             {0, 0}};
    if constexpr (Shaded) s.shade = luma_transfer((r.sw + k * r.dsw) * inv_w);
    return s;
}

// Linear steps from first to last in `steps` pixel steps. The samples are
// bounded, so their differences cannot overflow.
template <bool Shaded>
[[gnu::always_inline]] inline Stepper make_stepper(const Sample& first, const Sample& last,
                                                   int steps) {
    Stepper st{first.u, 0, first.v, 0, first.shade.a, 0, first.shade.b, 0};
    // A full segment divides by a constant power of two; only a span's last
    // segment needs a division.
    if (steps == span_segment_pixels) {
        st.du = (last.u - first.u) / span_segment_pixels;
        st.dv = (last.v - first.v) / span_segment_pixels;
        if constexpr (Shaded) {
            st.da = (last.shade.a - first.shade.a) / span_segment_pixels;
            st.db = (last.shade.b - first.shade.b) / span_segment_pixels;
        }
    } else if (steps > 0) {
        st.du = (last.u - first.u) / steps;
        st.dv = (last.v - first.v) / steps;
        if constexpr (Shaded) {
            st.da = (last.shade.a - first.shade.a) / steps;
            st.db = (last.shade.b - first.shade.b) / steps;
        }
    }
    return st;
}

// The texels of `count` pixels from the stepper's start on, into out. The
// texture's fields are copied into locals so that they stay in registers.
template <bool PowerOfTwoHeight>
inline void fetch_segment(const TextureView& t, const Stepper& st, int count, uint32_t* out) {
    if (PowerOfTwoHeight && t.narrow_index) {
        fetch_narrow(out, count,
                     {t.texels, t.width_mask, t.line_mask, static_cast<uint32_t>(st.u),
                      static_cast<uint32_t>(st.du), static_cast<uint32_t>(st.v),
                      static_cast<uint32_t>(st.dv)});
        return;
    }
    const uint32_t* const texels = t.texels;
    const uint32_t width_mask = t.width_mask;
    int64_t u = st.u;
    int64_t v = st.v;
    if constexpr (PowerOfTwoHeight) {
        // v counts words here: masking off the low log2_width bits and the
        // lines beyond the height leaves the line's offset.
        const uint32_t line_mask = t.line_mask;
        for (int i = 0; i < count; ++i) {
            out[i] = texels[(static_cast<uint32_t>(v >> 16) & line_mask) |
                            (static_cast<uint32_t>(u >> 16) & width_mask)];
            u += st.du;
            v += st.dv;
        }
    } else {
        const int64_t height = t.height;
        const uint32_t log2_width = t.log2_width;
        for (int i = 0; i < count; ++i) {
            int64_t line = (v >> 16) % height;
            if (line < 0) line += height;
            out[i] = texels[(static_cast<size_t>(line) << log2_width) |
                            (static_cast<uint32_t>(u >> 16) & width_mask)];
            u += st.du;
            v += st.dv;
        }
    }
}

// The facet words the pixel operations read, copied into a local so that the
// compiler can keep them in registers: stores into the output buffer could
// otherwise alias the FacetPaint they came from.
struct OpParams {
    uint32_t key;
    int32_t luma_offset;
};

// What each textured type does with one segment: the texels are fetched
// first, then the type's loop (segment_ops) runs over the whole segment.
// The shade stepper fields are only read by the shaded type.
struct PlainOp {
    static constexpr bool shaded = false;
    template <bool PowerOfTwoHeight>
    static void paint(uint32_t* dst, const TextureView& t, const Stepper& st, int count,
                      const OpParams&) {
        fetch_segment<PowerOfTwoHeight>(t, st, count, dst);
    }
};

struct ShadedOp {
    static constexpr bool shaded = true;
    template <bool PowerOfTwoHeight>
    static void paint(uint32_t* dst, const TextureView& t, const Stepper& st, int count,
                      const OpParams&) {
        uint32_t texels[span_segment_pixels];
        fetch_segment<PowerOfTwoHeight>(t, st, count, texels);
        shade_segment(dst, texels, count, st.a, st.da, st.b, st.db);
    }
};

struct ColorKeyOp {
    static constexpr bool shaded = false;
    template <bool PowerOfTwoHeight>
    static void paint(uint32_t* dst, const TextureView& t, const Stepper& st, int count,
                      const OpParams& p) {
        uint32_t texels[span_segment_pixels];
        fetch_segment<PowerOfTwoHeight>(t, st, count, texels);
        key_segment(dst, texels, count, p.key);
    }
};

// A shadow in the picture's colours: the picture's shape darkens what lies
// beneath and pulls its chroma halfway to the picture's.
struct CastImageOp {
    static constexpr bool shaded = false;
    template <bool PowerOfTwoHeight>
    static void paint(uint32_t* dst, const TextureView& t, const Stepper& st, int count,
                      const OpParams& p) {
        uint32_t texels[span_segment_pixels];
        fetch_segment<PowerOfTwoHeight>(t, st, count, texels);
        cast_segment(dst, texels, count, p.key, p.luma_offset);
    }
};

// Perspective-correct at every segment boundary, linear in between. A full
// segment is sampled at the first pixel of the next one, so each sample
// serves twice; the last segment of a span is sampled at its own last pixel,
// which keeps every sample inside the facet.
template <class Op, bool PowerOfTwoHeight>
void paint_textured_row(const FacetPaint& p, uint32_t* row, int x_begin, int x_end,
                        double y_centre) {
    const TextureView texture = p.texture;
    const OpParams params{p.color, p.luma_offset};
    const RowLine line = row_line(p.gradients, y_centre, p.octaves_per_shade);
    const double v_scale = PowerOfTwoHeight ? static_cast<double>(texture.width_mask + 1) : 1.0;
    int x = x_begin;
    Sample first = sample_at<Op::shaded>(line, x, v_scale);
    while (x < x_end) {
        const bool full = x_end - x > span_segment_pixels;
        const int count = full ? span_segment_pixels : x_end - x;
        const int steps = full ? count : count - 1;
        const Sample last = steps > 0 ? sample_at<Op::shaded>(line, x + steps, v_scale) : first;
        const Stepper st = make_stepper<Op::shaded>(first, last, steps);
        Op::template paint<PowerOfTwoHeight>(row + x, texture, st, count, params);
        x += count;
        first = last;
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

RowPainter select_row_painter(uint32_t rendering_type, bool power_of_two_height) {
    if (rendering_type == rendering_flat) return &paint_flat_row;
    return power_of_two_height ? textured_painter<true>(rendering_type)
                               : textured_painter<false>(rendering_type);
}

} // namespace sim
