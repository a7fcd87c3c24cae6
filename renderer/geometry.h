// From camera-space facet to screen polygon: the cuts at the near plane, at
// the clip planes and at the four sides of the clip window, all made in
// camera space, then the perspective projection.
//
// Everything is integer. Camera points keep 8 fraction bits beyond the
// wire's 16.16 (cam units, 64-bit), so that points cut at the window's sides
// project to within a fraction of a pixel of them even close to the eye.
// Cutting at the window before projecting keeps every projected coordinate
// small: the demo's clear quad, whose corners would land hundreds of
// thousands of pixels away, is cut to the window first.
#pragma once

#include "bounded_list.h"
#include "render_state.h"

#include <cstdint>

namespace renderer {

// A polygon corner in camera space: x, y, z in cam units, texture
// coordinates (texels) and shade in raw 16.16.
struct CameraVertex {
    int64_t x, y, z;
    int64_t u, v, s;
};

// A polygon corner on screen: position in 1/256 pixel, its distance in
// front of the eye (-z, cam units, at least the near plane's) and its
// attributes, still raw.
struct ScreenVertex {
    int32_t sx, sy;
    int64_t depth;
    int64_t u, v, s;
};

// The pixels a facet may cover: those whose centres lie in [x0, x1) x
// [y0, y1); the bounds are whole pixels, so these are columns x0 .. x1 - 1
// and rows y0 .. y1 - 1.
struct ScreenRect {
    int32_t x0, y0, x1, y1;
    bool empty() const { return !(x0 < x1 && y0 < y1); }
};

// The clip window of the view, relative to the view centre, intersected with
// the output buffer (and with max_draw_rows).
ScreenRect clip_window(const View& view, const BufferSel& out);

using CameraPolygon = BoundedList<CameraVertex, max_polygon_vertices>;
using ScreenPolygon = BoundedList<ScreenVertex, max_polygon_vertices>;

// Turns facet vertices into the visible part of the facet on screen, in
// storage of its own (no heap).
class FacetClipper {
  public:
    // vertex_words: vertex_count records of six words laid out as cmdVertex
    // (x, y, z, u, v, shade, all 16.16). Returns the screen polygon, empty
    // when nothing remains, or when the polygon is so concave that its cuts
    // would exceed max_polygon_vertices corners (then overflowed() is true).
    const ScreenPolygon& run(const uint32_t* vertex_words, uint32_t vertex_count,
                             const RenderState& state, const ScreenRect& window);

    bool overflowed() const { return overflowed_; }

  private:
    bool overflowed_ = false;
    CameraPolygon cam_a_, cam_b_;
    ScreenPolygon screen_;
};

} // namespace renderer
