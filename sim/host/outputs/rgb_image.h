// A picture of 8-bit RGB pixels, rows top first, 3 bytes per pixel, and the
// few drawing operations the menu screen and the contact sheet need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct Rgb {
    uint8_t r, g, b;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    RgbImage() = default;
    RgbImage(int w, int h, Rgb fill = {0, 0, 0});

    uint8_t* pixel(int x, int y) { return rgb.data() + 3 * (static_cast<size_t>(y) * width + x); }
    const uint8_t* pixel(int x, int y) const {
        return rgb.data() + 3 * (static_cast<size_t>(y) * width + x);
    }
    // Sets one pixel; coordinates outside the picture are ignored, so shapes
    // may overlap the edges.
    void put(int x, int y, Rgb color);
};

void fill_rect(RgbImage& image, int x, int y, int w, int h, Rgb color);
void frame_rect(RgbImage& image, int x, int y, int w, int h, Rgb color);
void fill_circle(RgbImage& image, int cx, int cy, int radius, Rgb color);
// A triangle with a horizontal base: apex at (ax, ay), base from
// (bx0, by) to (bx1, by). Enough for arrows, peaks and roofs.
void fill_triangle(RgbImage& image, int ax, int ay, int bx0, int bx1, int by, Rgb color);

} // namespace sim
