#include "raster.h"

#include "fixed_point.h"

namespace renderer {

namespace {

// The first row whose centre line lies at or below y (1/256 pixel):
// ceil((y - 128) / 256).
int32_t first_row_at_or_below(int32_t y) {
    return static_cast<int32_t>(ceil_div64(int64_t{y} - sub_pixel_half, sub_pixel_one));
}

constexpr int16_t column_limit = 0x7FFF;

int16_t to_column(int64_t c) {
    return static_cast<int16_t>(clamp64(c, -column_limit, column_limit));
}

} // namespace

bool Rasteriser::prepare(const ScreenPolygon& polygon, const ScreenRect& bounds) {
    if (polygon.size() < 3 || bounds.empty()) return false;
    int32_t y_min = polygon[0].sy;
    int32_t y_max = polygon[0].sy;
    for (const ScreenVertex& p : polygon) {
        y_min = p.sy < y_min ? p.sy : y_min;
        y_max = p.sy > y_max ? p.sy : y_max;
    }
    const int32_t r0 = first_row_at_or_below(y_min);
    const int32_t r1 = first_row_at_or_below(y_max);
    row_begin_ = r0 > bounds.y0 ? r0 : bounds.y0;
    row_end_ = r1 < bounds.y1 ? r1 : bounds.y1;
    if (row_begin_ >= row_end_) return false;
    for (int32_t i = 0; i < row_end_ - row_begin_; ++i) {
        left_[i] = column_limit;
        right_[i] = -column_limit;
    }
    const ScreenVertex* prev = &polygon.back();
    for (const ScreenVertex& cur : polygon) {
        add_edge(*prev, cur);
        prev = &cur;
    }
    return true;
}

void Rasteriser::add_edge(const ScreenVertex& a, const ScreenVertex& b) {
    if (a.sy == b.sy) return; // a horizontal edge crosses no centre line
    const ScreenVertex& top = a.sy < b.sy ? a : b;
    const ScreenVertex& bottom = a.sy < b.sy ? b : a;
    int32_t e0 = first_row_at_or_below(top.sy);
    int32_t e1 = first_row_at_or_below(bottom.sy);
    e0 = e0 > row_begin_ ? e0 : row_begin_;
    e1 = e1 < row_end_ ? e1 : row_end_;
    if (e0 >= e1) return;

    // Column c of row r is ceil((X - 128) / 256) for the crossing X, that is
    // ceil(n / den) with n = (top.sx - 128) * dy + (yc - top.sy) * dx and
    // den = 256 * dy, yc the row's centre line. Below 2^41 for positions
    // within 2^20; den below 2^29.
    const int64_t dx = int64_t{bottom.sx} - top.sx;
    const int64_t dy = int64_t{bottom.sy} - top.sy;
    const int64_t den = dy * sub_pixel_one;
    const int64_t yc = int64_t{e0} * sub_pixel_one + sub_pixel_half;
    const int64_t n = (int64_t{top.sx} - sub_pixel_half) * dy + (yc - top.sy) * dx;
    const int64_t first = ceil_div64(n, den);
    // Each row adds 256 * dx to n: step columns and the remainder by it.
    const int64_t step = dx * sub_pixel_one;
    const int64_t step_whole = floor_div64(step, den);
    // The rows lie within the edge's height, so its columns within the
    // window: from here on everything fits 32 bits.
    int32_t column = static_cast<int32_t>(first);
    // column * den - n, in [0, den): how far the quotient overshoots.
    int32_t over = static_cast<int32_t>(first * den - n);
    const int32_t den32 = static_cast<int32_t>(den);
    const int32_t step_columns = static_cast<int32_t>(step_whole);
    const int32_t step_rest = static_cast<int32_t>(step - step_whole * den);
    for (int32_t r = e0; r < e1; ++r) {
        const int32_t i = r - row_begin_;
        const int16_t c = to_column(column);
        if (c < left_[i]) left_[i] = c;
        if (c > right_[i]) right_[i] = c;
        column += step_columns;
        over -= step_rest;
        if (over < 0) {
            over += den32;
            column += 1;
        }
    }
}

bool Rasteriser::covers(const ScreenRect& bounds) const {
    if (row_begin_ != bounds.y0 || row_end_ != bounds.y1) return false;
    for (int32_t i = 0; i < row_end_ - row_begin_; ++i)
        if (left_[i] > bounds.x0 || right_[i] < bounds.x1) return false;
    return true;
}

} // namespace renderer
