// The pixel work of a facet: one row painter per rendering type, chosen once
// per facet, each filling whole spans in a tight loop.
#pragma once

#include "raster.h"

#include <cstdint>

namespace sim {

// Rendering types of the facet command.
enum RenderingType : uint32_t {
    rendering_flat = 0,       // fill with the facet's colour word
    rendering_texture = 2,    // texture as is
    rendering_shaded = 3,     // texture, brightness from the per-vertex shade
    rendering_color_key = 4,  // texture, texels equal to the colour word left out
    rendering_cast_image = 6, // colour-keyed shadow: darken and tint what is there
};

// The selected texture, already checked to lie inside video memory.
struct TextureView {
    const uint32_t* texels = nullptr;
    uint32_t log2_width = 0;
    uint32_t width_mask = 0;
    uint32_t height = 1;
    uint32_t line_mask = 0; // (height - 1) << log2_width when height is a power of two
    // Both masks below 2^16: every index bit lies in the low 32 bits of the
    // 16.16 coordinates, so a segment can be fetched in 32-bit arithmetic.
    bool narrow_index = false;
};

// Everything the row painters need about one facet.
struct FacetPaint {
    uint32_t color = 0;
    int32_t luma_offset = 0;        // param of a cast image, bounded to +-255
    double octaves_per_shade = 1.0; // halvings or doublings of brightness a shade unit
    TextureView texture;
    FacetGradients gradients;
};

// Paints pixels [x_begin, x_end) of one row of the output buffer; row points
// to the row's first word and y_centre is the row's centre line.
using RowPainter = void (*)(const FacetPaint& paint, uint32_t* row, int x_begin, int x_end,
                            double y_centre);

// The painter for a rendering type, or null for a type that does not exist.
// power_of_two_height selects the variant that wraps rows with a mask.
RowPainter select_row_painter(uint32_t rendering_type, bool power_of_two_height);

// True for the types that read the texture.
inline bool is_textured(uint32_t rendering_type) {
    return rendering_type != rendering_flat;
}

} // namespace sim
