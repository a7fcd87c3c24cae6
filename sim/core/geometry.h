// From camera-space facet to screen polygon: the cut at the near plane and at
// the clip planes, the perspective projection and the cut at the clip window.
//
// Everything here works in double precision. The demo's clear quad lies
// 1/256 unit in front of the eye and reaches 10 units to the side, so its
// corners project hundreds of thousands of pixels away; clipping before
// anything is converted to integers keeps such facets exact and harmless.
#pragma once

#include "render_state.h"

#include "bounded_list.h"
#include <cstdint>

namespace sim {

// A polygon corner in camera space, in units, with its texture coordinates
// (texels) and shade.
struct CameraVertex {
    double x, y, z;
    double u, v, s;
};

// A polygon corner on screen. w is 1 / distance; the attributes are stored
// premultiplied by w, since those are what vary linearly across the screen.
struct ScreenVertex {
    double sx, sy;
    double w, uw, vw, sw;
};

// The region of the output buffer a facet may cover, in pixel coordinates:
// pixels whose centres lie in [x0, x1) x [y0, y1).
struct ScreenRect {
    double x0, y0, x1, y1;
    bool empty() const { return !(x0 < x1 && y0 < y1); }
};

// The clip window of the view, relative to the view centre, intersected with
// the output buffer.
ScreenRect clip_window(const View& view, const BufferSel& out);

// Turns facet vertices into the visible part of the facet on screen. Keeps
// its working storage between facets, so steady drawing allocates nothing.
using ScreenPolygon = BoundedList<ScreenVertex, max_polygon_vertices>;
using CameraPolygon = BoundedList<CameraVertex, max_polygon_vertices>;

class FacetClipper {
  public:
    // vertex_words: vertex_count records of six words laid out as cmdVertex
    // (x, y, z, u, v, shade, all 16.16). Returns the screen polygon, empty
    // when nothing remains.
    const ScreenPolygon& run(const uint32_t* vertex_words, uint32_t vertex_count,
                             const RenderState& state, const ScreenRect& window);

  private:
    CameraPolygon cam_a_, cam_b_;
    ScreenPolygon scr_a_, scr_b_;
};

} // namespace sim
