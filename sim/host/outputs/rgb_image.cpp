#include "rgb_image.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

RgbImage::RgbImage(int w, int h, Rgb fill) : width(w), height(h) {
    rgb.resize(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = fill.r;
        rgb[i + 1] = fill.g;
        rgb[i + 2] = fill.b;
    }
}

void RgbImage::put(int x, int y, Rgb color) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = pixel(x, y);
    p[0] = color.r;
    p[1] = color.g;
    p[2] = color.b;
}

void fill_rect(RgbImage& image, int x, int y, int w, int h, Rgb color) {
    const int x0 = std::max(x, 0), x1 = std::min(x + w, image.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + h, image.height);
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx)
            image.put(xx, yy, color);
}

void frame_rect(RgbImage& image, int x, int y, int w, int h, Rgb color) {
    fill_rect(image, x, y, w, 1, color);
    fill_rect(image, x, y + h - 1, w, 1, color);
    fill_rect(image, x, y, 1, h, color);
    fill_rect(image, x + w - 1, y, 1, h, color);
}

void fill_circle(RgbImage& image, int cx, int cy, int radius, Rgb color) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius) image.put(cx + dx, cy + dy, color);
}

void fill_triangle(RgbImage& image, int ax, int ay, int bx0, int bx1, int by, Rgb color) {
    const int rows = std::abs(by - ay);
    const int step = by >= ay ? 1 : -1;
    for (int i = 0; i <= rows; ++i) {
        // Edges interpolated from the apex to each end of the base.
        const int left = rows == 0 ? bx0 : ax + (bx0 - ax) * i / rows;
        const int right = rows == 0 ? bx1 : ax + (bx1 - ax) * i / rows;
        for (int x = std::min(left, right); x <= std::max(left, right); ++x)
            image.put(x, ay + step * i, color);
    }
}

} // namespace sim
