#include "test_area.h"

#include "shared_access.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace renderer::test {

void TestArea::Free::operator()(gpuSharedArea* p) const {
    std::free(p);
}

TestArea::TestArea() {
    // calloc hands out untouched zero pages, so the 31 MB area costs little.
    void* block = std::calloc(1, sizeof(gpuSharedArea));
    if (block == nullptr) throw std::bad_alloc();
    area_.reset(static_cast<gpuSharedArea*>(block));
}

void TestArea::start_fifo_at(uint32_t index) {
    shadow_write_ = index;
    area_->fifo_read = index;
    area_->fifo_write = index;
}

void TestArea::push(const Words& words, bool do_publish) {
    for (uint32_t w : words) {
        area_->fifo[shadow_write_] = w;
        shadow_write_ = (shadow_write_ + 1) % gpu_fifo_words;
    }
    if (do_publish) publish();
}

void TestArea::publish() {
    platform::shared_publish(&area_->fifo_write, shadow_write_);
}

uint32_t fixed(double units) {
    return static_cast<uint32_t>(static_cast<int32_t>(std::lround(units * 65536.0)));
}

Vertex at_screen(double sx, double sy, double u, double v, double shade) {
    return {(sx - 160.0) / 256.0, (sy - 120.0) / 256.0, -1.0, u, v, shade};
}

std::vector<Vertex> screen_quad(double x0, double y0, double x1, double y1, double u0, double v0,
                                double u1, double v1) {
    return {at_screen(x0, y0, u0, v0), at_screen(x1, y0, u1, v0), at_screen(x1, y1, u1, v1),
            at_screen(x0, y1, u0, v1)};
}

Words cmd_reset() {
    return {gpu_op_reset};
}

Words cmd_view(int32_t dproj, int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y,
               int32_t unit, int32_t span) {
    return {gpu_op_set_view,
            static_cast<uint32_t>(dproj),
            static_cast<uint32_t>(min_x),
            static_cast<uint32_t>(min_y),
            static_cast<uint32_t>(max_x),
            static_cast<uint32_t>(max_y),
            static_cast<uint32_t>(unit),
            static_cast<uint32_t>(span)};
}

Words cmd_buffer(uint32_t opcode, uint32_t address, uint32_t log2_width, uint32_t height) {
    return {opcode, address, log2_width, height};
}

Words cmd_planes(uint32_t count, const std::vector<PlaneSpec>& planes) {
    Words w(32, 0);
    w[0] = gpu_op_set_clip_planes;
    w[1] = count;
    for (size_t p = 0; p < planes.size() && p < 5; ++p) {
        const PlaneSpec& s = planes[p];
        const double values[6] = {s.px, s.py, s.pz, s.nx, s.ny, s.nz};
        for (size_t k = 0; k < 6; ++k)
            w[2 + 6 * p + k] = fixed(values[k]);
    }
    return w;
}

Words cmd_facet(uint32_t rendering_type, uint32_t color, int32_t param,
                const std::vector<Vertex>& vertices) {
    Words w = {gpu_op_facet, static_cast<uint32_t>(vertices.size()), color,
               static_cast<uint32_t>(param), rendering_type};
    for (const Vertex& v : vertices) {
        for (double value : {v.x, v.y, v.z, v.u, v.v, v.shade})
            w.push_back(fixed(value));
    }
    return w;
}

Words join(std::initializer_list<Words> parts) {
    Words all;
    for (const Words& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

void run(TestArea& t, Renderer& r, const Words& words) {
    t.push(words);
    while (r.step(1000) > 0) {
    }
    // The tests look at the output buffer without a show.
    r.settle();
}

} // namespace renderer::test
