// The pixel work of a facet: one row painter per rendering type and texture
// shape, chosen once per facet, each filling whole spans in one loop that
// fetches, shades and stores each pixel in turn.
#pragma once

#include "gradients.h"
#include "span_arm.h"

#include <cstdint>
#include <type_traits>

namespace renderer {

// Rendering types of the facet command.
enum RenderingType : uint32_t {
    rendering_flat = 0,       // fill with the facet's colour word
    rendering_texture = 2,    // texture as is
    rendering_shaded = 3,     // texture, brightness from the per-vertex shade
    rendering_color_key = 4,  // texture, texels equal to the colour word left out
    rendering_cast_image = 6, // colour-keyed shadow: darken and tint what is there
};

// How a texture's rows wrap, chosen per texture: with a mask (a power-of-two
// height up to 2^16 rows), by stepping within [0, height) (other heights up
// to 2^15 rows), or by a remainder at every pixel (anything taller).
enum class RowWrap { mask, step, modulo };

// The selected texture, already checked to lie inside video memory.
struct TextureView {
    const uint32_t* texels = nullptr;
    uint32_t log2_width = 0;
    uint32_t width_mask = 0;
    uint32_t height = 1;
    uint32_t height_mask = 0; // height - 1, for RowWrap::mask
    // height_mask << log2_width where the texture has at most 2^16 texels
    // (the painters then fetch with v scaled by the width), else 0
    uint32_t row_mask_scaled = 0;
    uint32_t height_fixed = 0; // height << 16, for RowWrap::step
    RowWrap wrap = RowWrap::mask;
};

inline uint32_t row_mask_scaled(uint32_t log2_width, uint32_t height_mask) {
    return uint64_t{height_mask + 1} << log2_width <= (1u << 16) ? height_mask << log2_width : 0;
}

TextureView texture_view(const uint32_t* texels, uint32_t log2_width, uint32_t height);

// Everything the row painters need about one facet.
struct FacetPaint {
    uint32_t color = 0;
    int32_t luma_offset = 0; // param of a cast image, bounded to +-255
    // Shade (raw 16.16) to 1/1024 octaves: steps = (shade * scale) >> 32,
    // scale = 2^26 / (word6 * word7).
    int64_t shade_scale = 0;
    TextureView texture;
    FacetGradients gradients;
    // The ARM span loops' job (span_arm.h), where they are built: the words
    // that hold for the whole facet are written by its first span that
    // takes the loops, and each span then writes only its own. Scratch of
    // the painters, hence mutable; elsewhere an empty member.
    struct NoArmJob {};
    [[no_unique_address]] mutable std::conditional_t<arm_spans_built, ArmSpan, NoArmJob> arm_job;
    mutable bool arm_job_ready = false;
};

// Paints pixels [x_begin, x_end) of row y of the output buffer; row points to
// the row's first word.
using RowPainter = void (*)(const FacetPaint& paint, uint32_t* row, int32_t x_begin, int32_t x_end,
                            int32_t y);

// The painter for a rendering type and texture shape, or null for a type
// that does not exist.
RowPainter select_row_painter(uint32_t rendering_type, RowWrap wrap);

// True for the types that read the texture.
inline bool is_textured(uint32_t rendering_type) {
    return rendering_type != rendering_flat;
}

// True for the types whose pixels depend on what the buffer already holds
// there (the others store every pixel of a span without reading it).
inline bool reads_destination(uint32_t rendering_type) {
    return rendering_type == rendering_color_key || rendering_type == rendering_cast_image;
}

} // namespace renderer
