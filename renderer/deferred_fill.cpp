#include "deferred_fill.h"

#include <cstddef>

namespace renderer {

bool DeferredFill::start(uint32_t* out, uint32_t log2_width, const ScreenRect& window,
                         RowPainter painter, uint32_t colour) {
    if (window.empty() || window.y1 - window.y0 > max_rows) return false;
    // Columns of the window fit 16 bits (clip_window stops at 2^12).
    for (int32_t r = 0; r < window.y1 - window.y0; ++r) {
        rows_[r].count = 1;
        rows_[r].begin[0] = static_cast<int16_t>(window.x0);
        rows_[r].end[0] = static_cast<int16_t>(window.x1);
    }
    active_ = true;
    out_ = out;
    log2_width_ = log2_width;
    window_ = window;
    paint_.color = colour;
    painter_ = painter;
    return true;
}

bool DeferredFill::overlaps(const uint32_t* begin, const uint32_t* end) const {
    if (!active_) return false;
    const uint32_t* first = out_ + (static_cast<size_t>(window_.y0) << log2_width_);
    const uint32_t* last = out_ + (static_cast<size_t>(window_.y1) << log2_width_);
    return begin < last && first < end;
}

void DeferredFill::settle(int32_t y, int32_t x_begin, int32_t x_end) {
    if (y < window_.y0 || y >= window_.y1) return;
    const OwedRow& row = rows_[y - window_.y0];
    for (int32_t i = 0; i < row.count; ++i) {
        const int32_t b = row.begin[i] > x_begin ? row.begin[i] : x_begin;
        const int32_t e = row.end[i] < x_end ? row.end[i] : x_end;
        if (b < e) paint_run(y, b, e);
    }
    cover(y, x_begin, x_end);
}

void DeferredFill::finish() {
    if (!active_) return;
    for (int32_t r = 0; r < window_.y1 - window_.y0; ++r) {
        OwedRow& row = rows_[r];
        for (int32_t i = 0; i < row.count; ++i)
            paint_run(window_.y0 + r, row.begin[i], row.end[i]);
        row.count = 0;
    }
    active_ = false;
}

void DeferredFill::paint_run(int32_t y, int32_t x_begin, int32_t x_end) {
    painter_(paint_, out_ + (static_cast<size_t>(y) << log2_width_), x_begin, x_end, y);
}

} // namespace renderer
