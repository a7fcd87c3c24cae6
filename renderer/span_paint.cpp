// Built with optimisation in every configuration: this is where the
// renderer spends its time.
#include "span_paint.h"

#include "pixel.h"
#include "span_arm.h"
#include "span_sample.h"
#include "span_simd.h"

namespace renderer {

namespace {

// The facet words the pixel operations read, copied into locals so that the
// compiler can keep them in registers: stores into the output buffer could
// otherwise alias the FacetPaint they came from.
struct OpParams {
    uint32_t key;
    int32_t luma_offset;
};

// What each textured type makes of the pixel already there and the texel.
struct PlainOp {
    [[maybe_unused]] static constexpr uint32_t type = 2;
    static constexpr bool shaded = false;
    static uint32_t pixel(uint32_t, uint32_t texel, const OpParams&, int32_t, int32_t) {
        return texel;
    }
};

// The texel with its luma Y replaced by (Y * a + b) >> 16. a stays within
// 17 bits and b within 24 over a subspan, Y * a within 25: no overflow. No
// clamp is needed: every transfer maps 0..255 into 0..255.5 (towards 16 or
// 235 from any byte), a and b between two samples mix two such transfers,
// and their stepping errs by under 2^-12 of a level.
struct ShadedOp {
    [[maybe_unused]] static constexpr uint32_t type = 3;
    static constexpr bool shaded = true;
    static uint32_t pixel(uint32_t, uint32_t texel, const OpParams&, int32_t a, int32_t b) {
        // Y * a + b is within [0, 2^24): a logical shift, and the luma put in
        // both bytes with one multiply-free add (y + (y << 16)).
        const uint32_t y =
            static_cast<uint32_t>(static_cast<int32_t>(pixel_luma(texel)) * a + b) >> 16;
        return (texel & chroma_mask) | (y * 0x10001u);
    }
};

struct ColorKeyOp {
    [[maybe_unused]] static constexpr uint32_t type = 4;
    static constexpr bool shaded = false;
    static uint32_t pixel(uint32_t under, uint32_t texel, const OpParams& p, int32_t, int32_t) {
        return texel != p.key ? texel : under;
    }
};

// A shadow in the picture's colours: the picture's shape darkens what lies
// beneath and pulls its chroma halfway (rounded up) to the picture's.
struct CastImageOp {
    [[maybe_unused]] static constexpr uint32_t type = 6;
    static constexpr bool shaded = false;
    static uint32_t pixel(uint32_t under, uint32_t texel, const OpParams& p, int32_t, int32_t) {
        if (texel == p.key) return under;
        int32_t y = static_cast<int32_t>(pixel_luma(under)) + p.luma_offset;
        y = y < luma_min ? luma_min : (y > luma_max ? luma_max : y);
        const uint32_t u = (pixel_u(under) + pixel_u(texel) + 1) >> 1;
        const uint32_t v = (pixel_v(under) + pixel_v(texel) + 1) >> 1;
        return make_pixel(static_cast<uint32_t>(y), u, v);
    }
};

// Where a subspan starts in the texture: u modulo 2^32 (the width divides
// it), v as its row wrap needs it (modulo 2^32, within [0, height << 16), or
// exact).
struct Cursor {
    uint32_t u;
    uint32_t v;
    int64_t v_exact;
};

template <RowWrap Wrap> Cursor start_cursor(const TextureView& t, const Sample& s) {
    Cursor c{static_cast<uint32_t>(s.u), static_cast<uint32_t>(s.v), s.v};
    if constexpr (Wrap == RowWrap::step)
        c.v = static_cast<uint32_t>(floor_mod64(s.v, t.height_fixed));
    return c;
}

// d modulo height << 16, cheaply when it is within one height either way.
inline uint32_t wrap_rows(int64_t d, uint32_t height_fixed) {
    if (d >= 0 && d < height_fixed) return static_cast<uint32_t>(d);
    if (d < 0 && d >= -int64_t{height_fixed}) return static_cast<uint32_t>(d + height_fixed);
    return static_cast<uint32_t>(floor_mod64(d, height_fixed));
}

// The next subspan starts exactly at this one's end sample.
template <RowWrap Wrap>
Cursor next_cursor(const TextureView& t, const Cursor& c, const Sample& from, const Sample& to) {
    Cursor n{static_cast<uint32_t>(to.u), static_cast<uint32_t>(to.v), to.v};
    if constexpr (Wrap == RowWrap::step) {
        n.v = c.v + wrap_rows(to.v - from.v, t.height_fixed);
        if (n.v >= t.height_fixed) n.v -= t.height_fixed;
    }
    return n;
}

// The commonest texture shape, 256 x 256 texels, as the scaled row mask and
// width mask of RowWrap::mask (both fit an ARM instruction's immediate).
inline constexpr uint32_t common_row_mask = 0xFFu << 8;
inline constexpr uint32_t common_width_mask = 0xFFu;
// The captured screen's shape, 512 x 512 (too many texels for a scaled
// row mask), for which the plain type has an ARM loop of its own.
inline constexpr uint32_t capture_side_mask = 0x1FFu;

[[maybe_unused]] inline bool capture_shape(const TextureView& t) {
    return t.width_mask == capture_side_mask && t.height_mask == capture_side_mask;
}

// Fetches and paints count pixels of one subspan (at most Whole), stepping
// the texture coordinates (and the shade) linearly from the cursor.
template <class Op, RowWrap Wrap, int32_t Whole = subspan_pixels>
[[gnu::always_inline]] inline void
paint_subspan(uint32_t* dst, int32_t count, const TextureView& t, const Cursor& c, int64_t du64,
              int64_t dv64, int32_t a, int32_t da, int32_t b, int32_t db, const OpParams& p) {
    const uint32_t* const texels = t.texels;
    const uint32_t width_mask = t.width_mask;
    const uint32_t log2_width = t.log2_width;
    const uint32_t du = static_cast<uint32_t>(du64);
    uint32_t u = c.u;
    if constexpr (Wrap == RowWrap::mask) {
        // v and its step scaled by the width, modulo 2^32: bits 16.. of the
        // scaled v are the row's first texel plus bits of v's fraction, which
        // the scaled row mask clears. Exact while the texture's bits (row and
        // column) fit 16, and one register fewer in the loop.
        const bool scaled = t.row_mask_scaled != 0;
        const uint32_t row_mask = scaled ? t.row_mask_scaled : t.height_mask;
        const uint32_t row_shift = scaled ? 0 : log2_width;
        const uint32_t scale = scaled ? log2_width : 0;
        const uint32_t dv = static_cast<uint32_t>(dv64) << scale;
        uint32_t v = c.v << scale;
        auto pixel = [&](int32_t i, uint32_t shift) {
            const uint32_t texel =
                texels[(((v >> 16) & row_mask) << shift) | ((u >> 16) & width_mask)];
            dst[i] = Op::pixel(dst[i], texel, p, a, b);
            u += du;
            v += dv;
            if constexpr (Op::shaded) {
                a += da;
                b += db;
            }
        };
        auto run = [&](uint32_t shift) {
            // Whole subspans, the common case, unrolled 16 pixels at a time:
            // no loop counter, and the stores address the pixels directly.
            // Not for the shaded type, whose four extra values then no longer
            // fit the ARM's registers.
            if (!Op::shaded && count == Whole) {
                for (int32_t base = 0; base < Whole; base += subspan_pixels) {
#pragma GCC unroll 16
                    for (int32_t i = 0; i < subspan_pixels; ++i)
                        pixel(base + i, shift);
                }
            } else {
                for (int32_t i = 0; i < count; ++i)
                    pixel(i, shift);
            }
        };
        if (Op::shaded && scaled && row_mask == common_row_mask &&
            width_mask == common_width_mask) {
            // The shaded loop holds eight stepped values; with the commonest
            // texture shape's masks as constants it keeps them all in
            // registers instead of reloading two masks every pixel.
            // u shifted up by 8 (modulo 2^32, so stepping it stays exact): its
            // top byte is the column, and no mask is needed.
            uint32_t u_top = u << 8;
            const uint32_t du_top = du << 8;
            for (int32_t i = 0; i < count; ++i) {
                const uint32_t texel = texels[((v >> 16) & common_row_mask) | (u_top >> 24)];
                dst[i] = Op::pixel(dst[i], texel, p, a, b);
                u_top += du_top;
                v += dv;
                a += da;
                b += db;
            }
        } else if (scaled) {
            run(0);
        } else {
            run(row_shift);
        }
    } else if constexpr (Wrap == RowWrap::step) {
        // v stays in [0, height << 16) and steps forwards by dv modulo it;
        // height << 16 is at most 2^31, so no sum wraps.
        const uint32_t height_fixed = t.height_fixed;
        const uint32_t dv = wrap_rows(dv64, height_fixed);
        uint32_t v = c.v;
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t texel = texels[((v >> 16) << log2_width) | ((u >> 16) & width_mask)];
            dst[i] = Op::pixel(dst[i], texel, p, a, b);
            u += du;
            v += dv;
            if (v >= height_fixed) v -= height_fixed;
            if constexpr (Op::shaded) {
                a += da;
                b += db;
            }
        }
    } else {
        int64_t v = c.v_exact;
        for (int32_t i = 0; i < count; ++i) {
            const auto line = static_cast<uint32_t>(floor_mod64(v >> 16, t.height));
            const uint32_t texel = texels[(line << log2_width) | ((u >> 16) & width_mask)];
            dst[i] = Op::pixel(dst[i], texel, p, a, b);
            u += du;
            v += dv64;
            if constexpr (Op::shaded) {
                a += da;
                b += db;
            }
        }
    }
}

// The division shifts of a span's samples when every one of them lies in
// [0, 31] (the common case), so that a sample takes one 32-bit word of each
// product for u and v, and a short shift for the shade.
struct SampleShifts {
    int u, v, s; // plus the sample's W exponent: the shift of divide_by_w
};

// W's exponent (reciprocal16's shift) over every sample of a span lies
// between those of its smallest and largest value. The samples step W from
// the span's first value by truncated subspan steps, so they lie below the
// line through its ends by at most one unit a subspan (and the last by two).
[[maybe_unused]] inline bool sample_shifts_fit(const SpanPlanes& planes, int32_t w_last,
                                               int32_t pixels, int subspan_shift_pixels,
                                               bool shaded, SampleShifts& out) {
    const int32_t first = planes.w.at;
    const int32_t last = w_last;
    const int32_t margin = (pixels >> subspan_shift_pixels) + 4;
    const int32_t low = (first < last ? first : last) - margin;
    const int32_t high = (first > last ? first : last) + 4;
    const int e_low = bit_length32(static_cast<uint32_t>(low > 1 ? low : 1)) - 16;
    const int e_high = bit_length32(static_cast<uint32_t>(high > 1 ? high : 1)) - 16;
    const int base = 32 - cut_w_bits + planes.w.shift;
    out = {base - planes.uw.shift, base - planes.vw.shift, base - planes.sw.shift};
    auto fits = [&](int b) { return b + e_low >= 0 && b + e_high <= 31; };
    return fits(out.u) && fits(out.v) && (!shaded || fits(out.s));
}

[[maybe_unused]] inline bool sample_shifts_fit(const SpanPlanes& planes, int64_t w_per_pixel,
                                               int32_t pixels, int subspan_shift_pixels,
                                               bool shaded, SampleShifts& out) {
    return sample_shifts_fit(planes, plane_ahead(planes.w, w_per_pixel, pixels - 1), pixels,
                             subspan_shift_pixels, shaded, out);
}

// x >> s for a shift the caller has bounded to [0, 31].
[[maybe_unused, gnu::always_inline]] inline int64_t shift_below_32(int64_t x, int s) {
    if (s < 0 || s > 31) __builtin_unreachable();
    return x >> s;
}

// What sample_at gives for a texture that wraps by mask, where only u's and
// v's low words matter, under sample_shifts_fit.
struct MaskSample {
    uint32_t u, v;
    LumaTransfer shade;
};

template <bool Shaded>
[[gnu::always_inline]] inline MaskSample mask_sample(const FacetGradients& g, const SampleShifts& k,
                                                     int32_t w, int32_t uw, int32_t vw, int32_t sw,
                                                     int32_t shade_scale) {
    const Reciprocal rw = reciprocal16(static_cast<uint32_t>(w > 0 ? w : 1));
    const auto r = static_cast<int32_t>(rw.r);
    MaskSample s{static_cast<uint32_t>(g.u_ref) +
                     static_cast<uint32_t>(shift_below_32(int64_t{uw} * r, k.u + rw.shift)),
                 static_cast<uint32_t>(g.v_ref) +
                     static_cast<uint32_t>(shift_below_32(int64_t{vw} * r, k.v + rw.shift)),
                 {0, 0}};
    if constexpr (Shaded)
        s.shade = bounded_shade_transfer(g.s_ref + shift_below_32(int64_t{sw} * r, k.s + rw.shift),
                                         shade_scale);
    return s;
}

// The job of the faster loop for one subspan from the cursor's texel and
// the transfer at its start, with the steps of both.
[[maybe_unused]] inline Subspan16 subspan16(uint32_t* dst, const TextureView& t, uint32_t u,
                                            int64_t du, uint32_t v, int64_t dv,
                                            const LumaTransfer& shade, int32_t da, int32_t db,
                                            const OpParams& p) {
    return {dst,
            t.texels,
            u,
            static_cast<uint32_t>(du),
            v,
            static_cast<uint32_t>(dv),
            t.width_mask,
            t.height_mask,
            t.log2_width,
            shade.a,
            da,
            shade.b,
            db,
            p.key,
            p.luma_offset};
}

// A subspan of 16 or 32 pixels through this processor's faster loop, in
// pieces of 16: each piece starts where the linear steps of the one before
// leave off, exactly as in one loop. False where that loop does not take it.
// Builds without a faster loop never call it.
[[maybe_unused]] inline bool paint_fast_subspans(uint32_t rendering_type, Subspan16 part,
                                                 int32_t count) {
    if (count != subspan_pixels && count != long_subspan_pixels) return false;
    bool painted = paint_subspan16_fast(rendering_type, part);
    for (int32_t done = subspan_pixels; painted && done < count; done += subspan_pixels) {
        part.dst += subspan_pixels;
        part.u += part.du * subspan_pixels;
        part.v += part.dv * subspan_pixels;
        part.a += part.da * subspan_pixels;
        part.b += part.db * subspan_pixels;
        painted = paint_subspan16_fast(rendering_type, part);
    }
    return painted;
}

// paint_span for a texture that wraps by mask, under sample_shifts_fit: the
// same samples and steps, with fewer values to keep.
template <class Op, int Shift>
void paint_mask_span(const FacetPaint& p, const SpanPlanes& planes, const SampleShifts& k,
                     uint32_t* row, int32_t x_begin, int32_t x_end) {
    constexpr int shift = Shift;
    constexpr int32_t whole = int32_t{1} << shift;
    const TextureView& texture = p.texture;
    const OpParams params{p.color, p.luma_offset};
    const FacetGradients& g = p.gradients;
    const auto shade_scale = static_cast<int32_t>(p.shade_scale);
    int32_t w = planes.w.at, uw = planes.uw.at, vw = planes.vw.at, sw = planes.sw.at;
    MaskSample first = mask_sample<Op::shaded>(g, k, w, uw, vw, sw, shade_scale);
    int32_t x = x_begin;
    for (;;) {
        const int32_t left = x_end - x;
        const bool full = left > whole;
        const int32_t count = full ? whole : left;
        const int32_t steps = full ? count : count - 1;
        if (full) {
            w += planes.w.step;
            uw += planes.uw.step;
            vw += planes.vw.step;
            if constexpr (Op::shaded) sw += planes.sw.step;
        } else if (steps > 0) {
            const int32_t ahead = x + steps - x_begin;
            w = plane_ahead(planes.w, g.w.dx, ahead);
            uw = plane_ahead(planes.uw, g.uw.dx, ahead);
            vw = plane_ahead(planes.vw, g.vw.dx, ahead);
            if constexpr (Op::shaded) sw = plane_ahead(planes.sw, g.sw.dx, ahead);
        }
        const MaskSample last =
            steps > 0 ? mask_sample<Op::shaded>(g, k, w, uw, vw, sw, shade_scale) : first;
        int32_t du = 0, dv = 0, da = 0, db = 0;
        if (steps > 0) {
            du = step_of(first.u, last.u, steps, shift);
            dv = step_of(first.v, last.v, steps, shift);
            if constexpr (Op::shaded) {
                da = step_of(first.shade.a, last.shade.a, steps, shift);
                db = step_of(first.shade.b, last.shade.b, steps, shift);
            }
        }
        bool painted = false;
        if constexpr (fast_subspans_built) {
            painted = paint_fast_subspans(
                Op::type,
                subspan16(row + x, texture, first.u, du, first.v, dv, first.shade, da, db, params),
                count);
        }
        if (!painted)
            paint_subspan<Op, RowWrap::mask, whole>(row + x, count, texture,
                                                    Cursor{first.u, first.v, 0}, du, dv,
                                                    first.shade.a, da, first.shade.b, db, params);
        if (!full) return;
        x += count;
        first = last;
    }
}

// The words of the ARM loops' job that hold for the whole facet.
template <class Op> void prepare_arm_job(const FacetPaint& p, ArmSpan& s) {
    const FacetGradients& g = p.gradients;
    s.texels = p.texture.texels;
    s.u_ref = static_cast<uint32_t>(g.u_ref);
    s.v_ref = static_cast<uint32_t>(g.v_ref);
    s.reciprocal_seeds = reciprocal_seeds.values;
    s.byte_bit_lengths = byte_bit_lengths.of;
    s.step_reciprocal = step_reciprocal;
    if constexpr (Op::shaded) {
        s.s_ref_lo = static_cast<uint32_t>(g.s_ref);
        s.s_ref_hi = static_cast<int32_t>(g.s_ref >> 32);
        s.shade_scale = static_cast<int32_t>(p.shade_scale);
        s.luma_octave_fraction = luma_octave_fraction;
    } else {
        // The plain, keyed and cast loops read no shade plane (their sample
        // leaves the transfer at 0); the plain loop no key either.
        s.sw = s.sw_step = s.sw_last = 0;
        s.key = p.color;
        s.luma_offset = p.luma_offset;
    }
}

template <class Op> auto& arm_job_of(const FacetPaint& p) {
    return p.arm_job;
}

// The span handed whole to the ARM code of its type (span_arm.S), which
// computes what paint_textured_row's set-up and paint_mask_span would and
// paints; false, painting nothing, where the sample's shifts do not fit.
template <class Op>
bool paint_arm_span(const FacetPaint& p, uint32_t* row, int32_t x_begin, int32_t x_end, int32_t y) {
    // Through a call that depends on Op, so that builds without the loops,
    // whose FacetPaint holds no job, never look into one.
    auto& s = arm_job_of<Op>(p);
    if (!p.arm_job_ready) {
        prepare_arm_job<Op>(p, s);
        p.arm_job_ready = true;
    }
    // The assembly reads the planes as laid out here.
    static_assert(offsetof(FacetGradients, w) == 32 && offsetof(FacetGradients, uw) == 56 &&
                  offsetof(FacetGradients, sw) == 104 &&
                  offsetof(FacetGradients, row_zero) == 128 && offsetof(AttributePlane, dx) == 8 &&
                  offsetof(AttributePlane, dy) == 16 && offsetof(RowStart, sw) == 24);
    const FacetGradients* g = &p.gradients;
    if constexpr (Op::shaded)
        return lumenfall_arm_shaded_row(&s, g, row, x_begin, x_end, y) != 0;
    else if constexpr (Op::type == rendering_cast_image)
        return lumenfall_arm_cast_row(&s, g, row, x_begin, x_end, y) != 0;
    else if constexpr (Op::type == rendering_texture)
        return (capture_shape(p.texture)
                    ? lumenfall_arm_plain512_row(&s, g, row, x_begin, x_end, y)
                    : lumenfall_arm_plain_row(&s, g, row, x_begin, x_end, y)) != 0;
    else
        return lumenfall_arm_keyed_row(&s, g, row, x_begin, x_end, y) != 0;
}

// Whether a facet's spans may go to the ARM loops: the types they have,
// over the texture shapes they are written for.
template <class Op, RowWrap Wrap> bool arm_loops_take(const FacetPaint& p) {
    if constexpr (arm_spans_built && Wrap == RowWrap::mask &&
                  (Op::type == rendering_texture || Op::type == rendering_shaded ||
                   Op::type == rendering_color_key || Op::type == rendering_cast_image)) {
        const bool common_shape = p.texture.row_mask_scaled == common_row_mask &&
                                  p.texture.width_mask == common_width_mask;
        return arm_spans_on() &&
               (common_shape || (Op::type == rendering_texture && capture_shape(p.texture)));
    } else {
        return false;
    }
}

// Perspective-correct at every subspan boundary, linear in between. A full
// subspan is sampled at the first pixel of the next one, so each sample
// serves twice; the last subspan of a span is sampled at its own last
// pixel, which keeps every sample inside the facet. Spans whose W hardly
// changes take subspans of 32 pixels, half the samples. The subspan
// length is a constant of each instance, so that its loops and steps
// compile as they would for one fixed length.
template <class Op, RowWrap Wrap, int Shift>
void paint_span(const FacetPaint& p, const RowStart& start, uint32_t* row, int32_t x_begin,
                int32_t x_end) {
    constexpr int shift = Shift;
    constexpr int32_t whole = int32_t{1} << shift;
    const TextureView texture = p.texture;
    const OpParams params{p.color, p.luma_offset};
    const FacetGradients& g = p.gradients;
    // |2^26 / shade octave| <= 2^26: 32 bits hold it.
    const auto shade_scale = static_cast<int32_t>(p.shade_scale);
    // The planes at the span's first and last pixels bound them over the
    // whole span.
    const int32_t x_last = x_end - 1;
    auto plane = [&](int64_t row_value, int64_t per_pixel) {
        return span_plane(row_value + x_begin * per_pixel, row_value + x_last * per_pixel,
                          per_pixel, shift);
    };
    const SpanPlanes planes{plane(start.w, g.w.dx), plane(start.uw, g.uw.dx),
                            plane(start.vw, g.vw.dx),
                            Op::shaded ? plane(start.sw, g.sw.dx) : SpanPlane{0, 0, 0}};
    // The leaner mask-wrap span only where the ARM loops are built (the
    // second core): elsewhere it gained nothing measurable, and the page's
    // module would grow by its instances.
    if constexpr (Wrap == RowWrap::mask && arm_spans_built) {
        SampleShifts k;
        if (sample_shifts_fit(planes, g.w.dx, x_end - x_begin, shift, Op::shaded, k)) {
            paint_mask_span<Op, Shift>(p, planes, k, row, x_begin, x_end);
            return;
        }
    }
    // This processor's whole-span loop, where it has one: the same samples
    // as paint_mask_span, several at once.
    if constexpr (Wrap == RowWrap::mask && fast_subspans_built) {
        SampleShifts k;
        if (sample_shifts_fit(planes, g.w.dx, x_end - x_begin, shift, Op::shaded, k)) {
            const int32_t ahead = x_last - x_begin;
            const MaskSpan span{row + x_begin,
                                x_end - x_begin,
                                texture.texels,
                                texture.width_mask,
                                texture.height_mask,
                                texture.log2_width,
                                planes.w.at,
                                planes.uw.at,
                                planes.vw.at,
                                planes.sw.at,
                                planes.w.step,
                                planes.uw.step,
                                planes.vw.step,
                                planes.sw.step,
                                plane_ahead(planes.w, g.w.dx, ahead),
                                plane_ahead(planes.uw, g.uw.dx, ahead),
                                plane_ahead(planes.vw, g.vw.dx, ahead),
                                Op::shaded ? plane_ahead(planes.sw, g.sw.dx, ahead) : 0,
                                k.u,
                                k.v,
                                k.s,
                                static_cast<uint32_t>(g.u_ref),
                                static_cast<uint32_t>(g.v_ref),
                                g.s_ref,
                                shade_scale,
                                shift,
                                params.key,
                                params.luma_offset};
            if (paint_mask_span_fast(Op::type, span)) return;
        }
    }
    int32_t w = planes.w.at, uw = planes.uw.at, vw = planes.vw.at, sw = planes.sw.at;
    int32_t x = x_begin;
    Sample first = sample_at<Op::shaded>(g, planes, w, uw, vw, sw, shade_scale);
    Cursor cursor = start_cursor<Wrap>(texture, first);
    while (x < x_end) {
        const bool full = x_end - x > whole;
        const int32_t count = full ? whole : x_end - x;
        const int32_t steps = full ? count : count - 1;
        // Whole subspans step the planes by a subspan's worth; only a span's
        // last sample multiplies.
        if (full) {
            w += planes.w.step;
            uw += planes.uw.step;
            vw += planes.vw.step;
            if constexpr (Op::shaded) sw += planes.sw.step;
        } else if (steps > 0) {
            const int32_t ahead = x + steps - x_begin;
            w = plane_ahead(planes.w, g.w.dx, ahead);
            uw = plane_ahead(planes.uw, g.uw.dx, ahead);
            vw = plane_ahead(planes.vw, g.vw.dx, ahead);
            if constexpr (Op::shaded) sw = plane_ahead(planes.sw, g.sw.dx, ahead);
        }
        const Sample last =
            steps > 0 ? sample_at<Op::shaded>(g, planes, w, uw, vw, sw, shade_scale) : first;
        int64_t du = 0, dv = 0;
        int32_t da = 0, db = 0;
        if (steps > 0) {
            du = step_of(first.u, last.u, steps, shift);
            dv = Wrap == RowWrap::modulo ? step_of_exact(first.v, last.v, steps, shift)
                                         : step_of(first.v, last.v, steps, shift);
            if constexpr (Op::shaded) {
                da = step_of(first.shade.a, last.shade.a, steps, shift);
                db = step_of(first.shade.b, last.shade.b, steps, shift);
            }
        }
        bool painted = false;
        if constexpr (fast_subspans_built && Wrap == RowWrap::mask) {
            painted = paint_fast_subspans(Op::type,
                                          subspan16(row + x, texture, cursor.u, du, cursor.v, dv,
                                                    first.shade, da, db, params),
                                          count);
        }
        if (!painted)
            paint_subspan<Op, Wrap, whole>(row + x, count, texture, cursor, du, dv, first.shade.a,
                                           da, first.shade.b, db, params);
        if (full) cursor = next_cursor<Wrap>(texture, cursor, first, last);
        x += count;
        first = last;
    }
}

template <class Op, RowWrap Wrap>
void paint_textured_row(const FacetPaint& p, uint32_t* row, int32_t x_begin, int32_t x_end,
                        int32_t y) {
    if constexpr (arm_spans_built) {
        if (arm_loops_take<Op, Wrap>(p) && paint_arm_span<Op>(p, row, x_begin, x_end, y)) return;
    }
    const FacetGradients& g = p.gradients;
    const RowStart start = row_start(g, y);
    const int64_t w_first = start.w + times_count(g.w.dx, x_begin);
    const int64_t w_last = start.w + times_count(g.w.dx, x_end - 1);
    if (long_subspans_fit(w_first, w_last, g.w.dx))
        paint_span<Op, Wrap, long_subspan_shift>(p, start, row, x_begin, x_end);
    else
        paint_span<Op, Wrap, subspan_shift>(p, start, row, x_begin, x_end);
}

void paint_flat_row(const FacetPaint& p, uint32_t* row, int32_t x_begin, int32_t x_end, int32_t) {
    const uint32_t color = p.color;
    if constexpr (arm_spans_built) {
        if (arm_spans_on()) {
            lumenfall_arm_fill(row + x_begin, x_end - x_begin, color);
            return;
        }
    }
    if constexpr (fast_subspans_built) {
        if (fill_fast(row + x_begin, x_end - x_begin, color)) return;
    }
    for (int32_t x = x_begin; x < x_end; ++x)
        row[x] = color;
}

template <RowWrap Wrap> RowPainter textured_painter(uint32_t rendering_type) {
    switch (rendering_type) {
    case rendering_texture:
        return &paint_textured_row<PlainOp, Wrap>;
    case rendering_shaded:
        return &paint_textured_row<ShadedOp, Wrap>;
    case rendering_color_key:
        return &paint_textured_row<ColorKeyOp, Wrap>;
    case rendering_cast_image:
        return &paint_textured_row<CastImageOp, Wrap>;
    default:
        return nullptr;
    }
}

} // namespace

void paint_subspan16_portable(uint32_t rendering_type, const Subspan16& s) {
    TextureView t;
    t.texels = s.texels;
    t.log2_width = s.log2_width;
    t.width_mask = s.width_mask;
    t.height_mask = s.height_mask;
    t.row_mask_scaled = row_mask_scaled(s.log2_width, s.height_mask);
    const Cursor c{s.u, s.v, 0};
    const OpParams p{s.key, s.luma_offset};
    auto run = [&](auto op) {
        paint_subspan<decltype(op), RowWrap::mask>(
            s.dst, subspan_pixels, t, c, static_cast<int32_t>(s.du), static_cast<int32_t>(s.dv),
            s.a, s.da, s.b, s.db, p);
    };
    switch (rendering_type) {
    case rendering_texture:
        run(PlainOp{});
        break;
    case rendering_shaded:
        run(ShadedOp{});
        break;
    case rendering_color_key:
        run(ColorKeyOp{});
        break;
    case rendering_cast_image:
        run(CastImageOp{});
        break;
    default:
        break;
    }
}

TextureView texture_view(const uint32_t* texels, uint32_t log2_width, uint32_t height) {
    TextureView view;
    view.texels = texels;
    view.log2_width = log2_width;
    view.width_mask = (1u << log2_width) - 1;
    view.height = height;
    const bool power_of_two = height != 0 && (height & (height - 1)) == 0;
    if (power_of_two && height <= (1u << 16)) {
        view.wrap = RowWrap::mask;
        view.height_mask = height - 1;
        view.row_mask_scaled = row_mask_scaled(log2_width, view.height_mask);
    } else if (height <= (1u << 15)) {
        view.wrap = RowWrap::step;
        view.height_fixed = height << 16;
    } else {
        view.wrap = RowWrap::modulo;
    }
    return view;
}

RowPainter select_row_painter(uint32_t rendering_type, RowWrap wrap) {
    if (rendering_type == rendering_flat) return &paint_flat_row;
    switch (wrap) {
    case RowWrap::mask:
        return textured_painter<RowWrap::mask>(rendering_type);
    case RowWrap::step:
        return textured_painter<RowWrap::step>(rendering_type);
    default:
        return textured_painter<RowWrap::modulo>(rendering_type);
    }
}

} // namespace renderer
