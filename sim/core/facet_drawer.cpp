#include "facet_drawer.h"

#include "span_paint.h"

#include <algorithm>

namespace sim {

namespace {

constexpr uint32_t facet_header_words = sizeof(cmdFacet) / sizeof(uint32_t);
static_assert(offsetof(cmdFacet, vertex_count) == 4 && offsetof(cmdFacet, color) == 8 &&
              offsetof(cmdFacet, param) == 12);

TextureView texture_view(const BufferSel& t, const uint32_t* video) {
    TextureView view;
    view.texels = video + t.address;
    view.log2_width = t.log2_width;
    view.width_mask = t.width() - 1;
    view.height = t.height;
    view.line_mask = (t.height - 1) << t.log2_width;
    view.narrow_index = view.width_mask < 0x10000 && view.line_mask < 0x10000;
    return view;
}

bool is_power_of_two(uint32_t x) {
    return x != 0 && (x & (x - 1)) == 0;
}

} // namespace

ErrorCode FacetDrawer::draw(const uint32_t* words, const RenderState& state, uint32_t* video) {
    const uint32_t vertex_count = words[1];
    const uint32_t rendering_type = words[4];
    const bool textured = is_textured(rendering_type);

    // The rendering type picks the row painter once, here; everything per
    // pixel happens inside it without further dispatch.
    const RowPainter painter =
        select_row_painter(rendering_type, !textured || is_power_of_two(state.texture.height));
    if (painter == nullptr) return error_bad_rendering_type;
    if (!state.out.valid) return error_no_output_buffer;
    if (textured && !state.texture.valid) return error_no_texture;

    const ScreenRect window = clip_window(state.view, state.out);
    const std::vector<ScreenVertex>& polygon =
        clipper_.run(words + facet_header_words, vertex_count, state, window);
    // Nothing left in view is not an error: facets behind the camera or
    // outside the window are simply not drawn.
    if (polygon.size() < 3) return error_none;

    FacetPaint paint;
    paint.color = words[2];
    // Beyond +-255 every luma clamps the same way; bounding param here keeps
    // the per-pixel sum from overflowing.
    paint.luma_offset = std::clamp<int32_t>(static_cast<int32_t>(words[3]), -255, 255);
    // The view command rejects a zero octave.
    paint.octaves_per_shade = 1.0 / state.view.shade_octave();
    if (textured) {
        paint.texture = texture_view(state.texture, video);
        paint.gradients = facet_gradients(polygon);
    }

    uint32_t* const out = video + state.out.address;
    const uint32_t log2_width = state.out.log2_width;
    rasteriser_.run(polygon, pixel_rect(window), [&](int row, int x_begin, int x_end) {
        painter(paint, out + (static_cast<size_t>(row) << log2_width), x_begin, x_end, row + 0.5);
    });
    return error_none;
}

} // namespace sim
