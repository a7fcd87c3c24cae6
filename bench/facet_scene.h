// A facet like the demo's cube faces, ready for the renderer's facet drawer:
// a picture-like 256 x 256 texture, a 512 x 250 output buffer, and a quad seen
// at an angle (perspective varies along each row, the shade across it) that
// covers a chosen share of the 320 x 240 view.
#pragma once

#include "facet_drawer.h"
#include "gpu_protocol.h"
#include "render_state.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace bench {

class FacetScene {
  public:
    // coverage_percent: share of the view the quad covers; 100 or more
    // means a quad larger than the view, clipped to it. With a row share,
    // the drawer paints large facets through it, as fast runs do.
    FacetScene(uint32_t rendering_type, int coverage_percent,
               renderer::RowShare* share = nullptr);

    // Draws the facet once; false if the renderer rejected it.
    bool draw();

    // Pixels the facet covers (counted once, with a fill).
    uint64_t pixels() const { return pixels_; }

    uint32_t* video() { return area_->video_mem; }

  private:
    struct Free {
        void operator()(gpuSharedArea* p) const;
    };
    std::unique_ptr<gpuSharedArea, Free> area_;
    renderer::RenderState state_;
    renderer::FacetDrawer drawer_;
    std::vector<uint32_t> words_;
    uint64_t pixels_ = 0;
};

// The colour the colour-keyed types leave out; half the texture holds it, as
// the background of the demo's pictures does.
inline constexpr uint32_t scene_key_colour = 0x81a977a9u;

} // namespace bench
