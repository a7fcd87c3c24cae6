// The frame's clear, painted only where nothing paints over it.
//
// A flat facet that covers the whole clip window is nearly always the clear
// before a frame, and the facets after it cover most of its pixels again.
// Such a fill is kept back: a few column ranges a row say where the buffer
// still owes it. Spans of the types that store every pixel without reading it (flat,
// plain and shaded texture) merely clear their bits; a span that reads what
// lies beneath (colour key, cast image) first gets the fill where it is
// owed. Whatever is still owed is painted when anything but a facet comes:
// the client learns of finished drawing only through a show, and every
// other command (another output buffer or texture, a reset) could let the
// kept-back pixels be seen. The pixels end up exactly as if the fill had
// been painted at once; a large share of a frame's stores is saved.
#pragma once

#include "geometry.h"
#include "span_paint.h"

#include <cstdint>

namespace renderer {

class DeferredFill {
  public:
    // The tallest window a fill is kept back for; taller ones are painted
    // at once.
    static constexpr int32_t max_rows = 256;

    // Keeps back a fill of colour over window (rows of out, 2^log2_width
    // words each), painted by painter; false (and nothing kept) when the
    // window is too large. An earlier fill must be finished first.
    bool start(uint32_t* out, uint32_t log2_width, const ScreenRect& window, RowPainter painter,
               uint32_t colour);
    bool active() const { return active_; }
    // Whether [begin, end) of video memory overlaps the buffer rows the fill
    // is kept back for (a texture read from them needs the fill first).
    bool overlaps(const uint32_t* begin, const uint32_t* end) const;

    // Pixels [x_begin, x_end) of row y are about to be stored without being
    // read: the fill is no longer owed there. The span lies in the window.
    void cover(int32_t y, int32_t x_begin, int32_t x_end);
    // They are about to be read: the fill is painted where still owed.
    void settle(int32_t y, int32_t x_begin, int32_t x_end);
    // Paints everything still owed and keeps nothing back any more.
    void finish();

  private:
    // Owed column ranges a row keeps, the first count of the slots, in any
    // order, none overlapping another. A span inside one splits it in two,
    // and where no slot is free the right piece is painted at once
    // (painting an owed pixel early is always right: nothing drawn after
    // the fill has touched it yet).
    static constexpr int32_t ranges_per_row = 4;
    struct OwedRow {
        int16_t count;
        int16_t begin[ranges_per_row];
        int16_t end[ranges_per_row];
    };

    void paint_run(int32_t y, int32_t x_begin, int32_t x_end);

    bool active_ = false;
    uint32_t* out_ = nullptr;
    uint32_t log2_width_ = 0;
    ScreenRect window_{0, 0, 0, 0};
    FacetPaint paint_;
    RowPainter painter_ = nullptr;
    // Row y of the window is rows_[y - window.y0].
    OwedRow rows_[max_rows] = {};
};

// Inline: it runs for every span drawn over a kept-back fill.
inline void DeferredFill::cover(int32_t y, int32_t x_begin, int32_t x_end) {
    // A later view may reach beyond the window the fill was kept for.
    if (y < window_.y0 || y >= window_.y1) return;
    OwedRow& row = rows_[y - window_.y0];
    for (int32_t i = 0; i < row.count;) {
        const int32_t a = row.begin[i], c = row.end[i];
        if (c <= x_begin || a >= x_end) {
            ++i;
            continue;
        }
        if (a >= x_begin && c <= x_end) {
            // Wholly covered: the last range takes its slot.
            const int32_t last = --row.count;
            row.begin[i] = row.begin[last];
            row.end[i] = row.end[last];
            continue;
        }
        if (a < x_begin && x_end < c) {
            // Inside: the left piece stays, the right one takes a free slot.
            row.end[i] = static_cast<int16_t>(x_begin);
            if (row.count == ranges_per_row) {
                paint_run(y, x_end, c);
            } else {
                row.begin[row.count] = static_cast<int16_t>(x_end);
                row.end[row.count] = static_cast<int16_t>(c);
                ++row.count;
            }
            return; // no other range meets a span inside this one
        }
        if (a < x_begin)
            row.end[i] = static_cast<int16_t>(x_begin);
        else
            row.begin[i] = static_cast<int16_t>(x_end);
        ++i;
    }
}

} // namespace renderer
