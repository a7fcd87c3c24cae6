// Draws one facet command into the selected output buffer.
#pragma once

#include "config.h"
#include "geometry.h"
#include "raster.h"
#include "render_state.h"

#include <cstdint>

namespace sim {

class FacetDrawer {
  public:
    // words: a whole facet command (header and vertex_count vertex records,
    // with 1 <= vertex_count <= max_facet_vertices). video: the start of
    // video memory. Returns the error that made it skip the facet, if any.
    ErrorCode draw(const uint32_t* words, const RenderState& state, uint32_t* video);

  private:
    FacetClipper clipper_;
    Rasteriser rasteriser_;
};

} // namespace sim
