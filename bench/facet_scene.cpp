#include "facet_scene.h"

#include "pixel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace bench {

namespace {

constexpr uint32_t out_address = 0x10000;
constexpr uint32_t texture_address = 0x80000;
constexpr uint32_t probe_colour = 0x12345678u;

// Lettering-like blocks on a key-coloured background, with a luma ramp so
// that shading has something to scale.
void fill_texture(uint32_t* texels) {
    for (uint32_t y = 0; y < 256; ++y) {
        for (uint32_t x = 0; x < 256; ++x) {
            const bool ink = ((x >> 3) + (y >> 4)) % 3 == 0;
            texels[y * 256 + x] =
                ink ? renderer::make_pixel(40 + ((x + y) & 127), 110, 150) : scene_key_colour;
        }
    }
}

int32_t fixed(double units) {
    return static_cast<int32_t>(std::lround(units * 65536.0));
}

// A vertex at depth `depth` units that projects to screen point (sx, sy)
// with the start view (focal length 256 pixels, centre 160, 120).
void put_vertex(std::vector<uint32_t>& words, double sx, double sy, double depth, double u,
                double v, double shade) {
    const double x = (sx - 160.0) * depth / 256.0;
    const double y = (sy - 120.0) * depth / 256.0;
    for (double value : {x, y, -depth, u, v, shade})
        words.push_back(static_cast<uint32_t>(fixed(value)));
}

} // namespace

void FacetScene::Free::operator()(gpuSharedArea* p) const {
    std::free(p);
}

FacetScene::FacetScene(uint32_t rendering_type, int coverage_percent, renderer::RowShare* share)
    : area_(static_cast<gpuSharedArea*>(std::calloc(1, sizeof(gpuSharedArea)))) {
    if (!area_) std::abort();
    drawer_.set_row_share(share);
    fill_texture(video() + texture_address);
    state_.out = {true, out_address, 9, 250};
    state_.texture = {true, texture_address, 8, 256};

    // The quad is centred on the view; its near (left) edge is at depth 1.0
    // and its far edge at 1.6, so u and v vary non-linearly along a row.
    const double scale = std::sqrt(coverage_percent / 100.0);
    const double half_w = 160.0 * scale + (coverage_percent >= 100 ? 8.0 : 0.0);
    const double half_h = 120.0 * scale + (coverage_percent >= 100 ? 8.0 : 0.0);
    const double x0 = 160.0 - half_w, x1 = 160.0 + half_w;
    const double y0 = 120.0 - half_h, y1 = 120.0 + half_h;
    words_ = {gpu_op_facet, 4, probe_colour, static_cast<uint32_t>(-30), rendering_type};
    put_vertex(words_, x0, y0, 1.0, 0, 0, -100);
    put_vertex(words_, x1, y0, 1.6, 256, 0, 120);
    put_vertex(words_, x1, y1, 1.6, 256, 256, 60);
    put_vertex(words_, x0, y1, 1.0, 0, 256, -40);

    // Count the covered pixels once with a plain fill of a marker colour.
    const uint32_t type = words_[4];
    words_[4] = 0;
    std::fill_n(video() + out_address, 512 * 250, renderer::black_pixel);
    drawer_.draw(words_.data(), state_, video());
    drawer_.finish_fill();
    pixels_ = static_cast<uint64_t>(
        std::count(video() + out_address, video() + out_address + 512 * 250, probe_colour));
    words_[4] = type;
    words_[2] = type == 0 ? probe_colour : scene_key_colour;
}

bool FacetScene::draw() {
    // A flat facet over the whole view is kept back by the drawer until
    // settled; each draw pays for its pixels here.
    const bool drawn = drawer_.draw(words_.data(), state_, video()) == renderer::error_none;
    drawer_.finish_fill();
    return drawn;
}

} // namespace bench
