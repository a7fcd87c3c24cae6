#include "facet_drawer.h"

#include "span_paint.h"

namespace renderer {

namespace {

constexpr uint32_t facet_header_words = sizeof(cmdFacet) / sizeof(uint32_t);
static_assert(offsetof(cmdFacet, vertex_count) == 4 && offsetof(cmdFacet, color) == 8 &&
              offsetof(cmdFacet, param) == 12);

#if LUMENFALL_ROW_SHARE
// A facet is shared out from this many pixels on: handing rows to a
// waiting thread costs some microseconds, as many as a few thousand pixels.
constexpr uint32_t shared_from_pixels = 4096;

// The painting of some of a facet's rows, for either thread.
struct RowJob {
    const Rasteriser* rasteriser;
    const FacetPaint* paint;
    RowPainter painter;
    uint32_t* out;
    uint32_t log2_width;
    ScreenRect window;

    void run(int32_t first, int32_t last) const {
        rasteriser->paint_rows(window, first, last, [&](int32_t row, int32_t x_begin, int32_t x_end) {
            painter(*paint, out + (static_cast<size_t>(row) << log2_width), x_begin, x_end, row);
        });
    }
    static void run_job(void* job, int32_t first, int32_t last) {
        static_cast<const RowJob*>(job)->run(first, last);
    }
};

bool overlaps(const uint32_t* a_begin, const uint32_t* a_end, const uint32_t* b_begin,
              const uint32_t* b_end) {
    return a_begin < b_end && b_begin < a_end;
}

// Paints the facet's rows, handing them to share when the facet is large;
// returns the pixels covered.
uint32_t paint_rows_shared(RowShare& share, RowJob job, const FacetPaint& paint,
                           const RenderState& state, bool textured) {
    const uint32_t pixels = job.rasteriser->pixels(job.window);
    const int32_t first = job.rasteriser->row_begin(), last = job.rasteriser->row_end();
    // A facet whose texture lies in its own output buffer may read what its
    // other rows write: it stays with one thread, row after row.
    const uint32_t* out_end = job.out + (size_t{state.out.height} << job.log2_width);
    const bool reads_own_output =
        textured &&
        overlaps(paint.texture.texels,
                 paint.texture.texels + (size_t{state.texture.height} << state.texture.log2_width),
                 job.out, out_end);
    if (pixels < shared_from_pixels || reads_own_output)
        job.run(first, last);
    else
        share.paint(&RowJob::run_job, &job, first, last);
    return pixels;
}
#endif

} // namespace

ErrorCode FacetDrawer::draw(const uint32_t* words, const RenderState& state, uint32_t* video) {
    const uint32_t vertex_count = words[1];
    const uint32_t rendering_type = words[4];
    const bool textured = is_textured(rendering_type);

    FacetPaint paint;
    if (textured && state.texture.valid) {
        paint.texture = texture_view(video + state.texture.address, state.texture.log2_width,
                                     state.texture.height);
    }
    // The rendering type picks the row painter once, here; everything per
    // pixel happens inside it without further dispatch.
    const RowPainter painter = select_row_painter(rendering_type, paint.texture.wrap);
    if (painter == nullptr) return error_bad_rendering_type;
    if (!state.out.valid) return error_no_output_buffer;
    if (textured && !state.texture.valid) return error_no_texture;

    const ScreenRect window = clip_window(state.view, state.out);
    const ScreenPolygon& polygon =
        clipper_.run(words + facet_header_words, vertex_count, state, window);
    // A facet too jagged for the polygon store is refused like one with too
    // many vertices. Nothing left in view is not an error: facets behind the
    // camera or outside the window are simply not drawn.
    if (clipper_.overflowed()) return error_bad_vertex_count;
    if (polygon.size() < 3) return error_none;

    paint.color = words[2];
    // Beyond +-255 every luma clamps the same way; bounding param here keeps
    // the per-pixel sum from overflowing.
    const auto param = static_cast<int32_t>(words[3]);
    paint.luma_offset = param < -255 ? -255 : (param > 255 ? 255 : param);
    if (textured) {
        // The view command rejects a zero octave.
        paint.shade_scale = (int64_t{1} << 26) / state.view.shade_octave();
        paint.gradients = facet_gradients(polygon);
    }

    uint32_t* const out = video + state.out.address;
    const uint32_t log2_width = state.out.log2_width;
    // select_row_painter accepted the type, so it has a slot.
    uint64_t& covered = covered_[rendering_type];
    if (!rasteriser_.prepare(polygon, window)) return error_none;
    if (textured) settle_under_texture(state.texture, video);
    if (!textured && rasteriser_.covers(window)) {
        fill_.finish();
        if (fill_.start(out, log2_width, window, painter, paint.color)) {
            covered += static_cast<uint64_t>(window.x1 - window.x0) *
                       static_cast<uint32_t>(window.y1 - window.y0);
            return error_none;
        }
    }
    if (fill_.active()) {
        // Rows are independent: the fill's account for the whole facet
        // first, then its pixels.
        if (reads_destination(rendering_type)) {
            rasteriser_.paint_rows(window, [&](int32_t row, int32_t x_begin, int32_t x_end) {
                fill_.settle(row, x_begin, x_end);
            });
        } else {
            rasteriser_.paint_rows(window, [&](int32_t row, int32_t x_begin, int32_t x_end) {
                fill_.cover(row, x_begin, x_end);
            });
        }
    }
#if LUMENFALL_ROW_SHARE
    if (share_ != nullptr) {
        covered += paint_rows_shared(*share_, {&rasteriser_, &paint, painter, out, log2_width, window},
                                     paint, state, textured);
        return error_none;
    }
#endif
    rasteriser_.paint_rows(window, [&](int32_t row, int32_t x_begin, int32_t x_end) {
        painter(paint, out + (static_cast<size_t>(row) << log2_width), x_begin, x_end, row);
        covered += static_cast<uint32_t>(x_end - x_begin);
    });
    return error_none;
}

void FacetDrawer::finish_fill() {
    fill_.finish();
}

void FacetDrawer::settle_under_texture(const BufferSel& texture, const uint32_t* video) {
    if (!fill_.active() || !texture.valid) return;
    const uint32_t* texels = video + texture.address;
    if (fill_.overlaps(texels, texels + (size_t{texture.height} << texture.log2_width)))
        fill_.finish();
}

} // namespace renderer
