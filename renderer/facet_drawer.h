// Draws one facet command into the selected output buffer.
#pragma once

#include "config.h"
#include "deferred_fill.h"
#include "geometry.h"
#include "raster.h"
#include "render_state.h"
#include "row_share.h"

#include <cstdint>

namespace renderer {

class FacetDrawer {
  public:
    // words: a whole facet command (header and vertex_count vertex records,
    // with 1 <= vertex_count <= max_facet_vertices). video: the start of
    // video memory. Returns the error that made it skip the facet, if any.
    ErrorCode draw(const uint32_t* words, const RenderState& state, uint32_t* video);

    // Paints what a full-window flat facet drawn earlier still owes the
    // output buffer (deferred_fill.h): before anything may look at it.
    void finish_fill();
    // Paints such a fill first where the texture lies in rows it still
    // owes: before its texels are read.
    void settle_under_texture(const BufferSel& texture, const uint32_t* video);

    // Lets a helper paint the lower rows of large facets (null: none).
    void set_row_share(RowShare* share) { share_ = share; }

    // Pixels covered so far by facets of a rendering type (0 for types that
    // do not exist), for cost figures per pixel.
    uint64_t pixels_covered(uint32_t rendering_type) const {
        return rendering_type < type_slots ? covered_[rendering_type] : 0;
    }

  private:
    static constexpr uint32_t type_slots = 7;
    uint64_t covered_[type_slots] = {};
    FacetClipper clipper_;
    Rasteriser rasteriser_;
    DeferredFill fill_;
    RowShare* share_ = nullptr;
};

} // namespace renderer
