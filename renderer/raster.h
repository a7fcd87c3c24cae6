// Scan conversion of a clipped screen polygon into spans of covered pixels.
//
// Fill rule: a pixel is covered when its centre (x + 0.5, y + 0.5) lies
// inside the polygon, with left and top edges counting as inside and right
// and bottom edges as outside. Facets sharing an edge then neither overlap
// nor leave a gap, whichever way round either of them is wound.
//
// Edges are walked exactly: positions are in 1/256 pixel, and the first
// column right of an edge's crossing with a row's centre line comes from an
// integer quotient and remainder stepped from row to row (one division per
// edge, none per row), so the rule holds without rounding.
#pragma once

#include "config.h"
#include "geometry.h"

#include <cstdint>

namespace renderer {

class Rasteriser {
  public:
    // Calls paint(row, x_begin, x_end) for every non-empty span inside
    // bounds, top row first.
    template <class Paint>
    void run(const ScreenPolygon& polygon, const ScreenRect& bounds, Paint&& paint) {
        if (prepare(polygon, bounds)) paint_rows(bounds, paint);
    }

    // The two halves of run, for a caller that looks at the rows before
    // painting them. prepare fills left_ and right_ for the rows the polygon
    // covers inside bounds; false when it covers none.
    bool prepare(const ScreenPolygon& polygon, const ScreenRect& bounds);
    template <class Paint> void paint_rows(const ScreenRect& bounds, Paint&& paint) const {
        for (int32_t r = row_begin_; r < row_end_; ++r) {
            const int32_t i = r - row_begin_;
            const int32_t xb = left_[i] > bounds.x0 ? left_[i] : bounds.x0;
            const int32_t xe = right_[i] < bounds.x1 ? right_[i] : bounds.x1;
            if (xb < xe) paint(r, xb, xe);
        }
    }
    // The same for the rows first to last - 1 only (within those prepared).
    // A loop of its own: the one above written through it costs the second
    // core's build an instruction a row.
    template <class Paint>
    void paint_rows(const ScreenRect& bounds, int32_t first, int32_t last, Paint&& paint) const {
        for (int32_t r = first; r < last; ++r) {
            const int32_t i = r - row_begin_;
            const int32_t xb = left_[i] > bounds.x0 ? left_[i] : bounds.x0;
            const int32_t xe = right_[i] < bounds.x1 ? right_[i] : bounds.x1;
            if (xb < xe) paint(r, xb, xe);
        }
    }
    // After a prepare that returned true: whether the spans cover every
    // pixel of bounds.
    bool covers(const ScreenRect& bounds) const;
    int32_t row_begin() const { return row_begin_; }
    int32_t row_end() const { return row_end_; }
    // After a prepare that returned true: the pixels the spans cover inside
    // bounds.
    uint32_t pixels(const ScreenRect& bounds) const {
        uint32_t total = 0;
        paint_rows(bounds, [&](int32_t, int32_t x_begin, int32_t x_end) {
            total += static_cast<uint32_t>(x_end - x_begin);
        });
        return total;
    }

  private:
    // Records where the edge crosses the centre line of each row it spans.
    // The crossing is computed from the edge's upper end, so an edge shared
    // by two facets yields the same column in both.
    void add_edge(const ScreenVertex& a, const ScreenVertex& b);

    int32_t row_begin_ = 0, row_end_ = 0;
    // Per row: the first covered column and the first uncovered one after
    // the covered run (columns of the window fit 16 bits).
    int16_t left_[max_draw_rows];
    int16_t right_[max_draw_rows];
};

} // namespace renderer
