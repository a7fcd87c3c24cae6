// A heap copy of the shared area for renderer tests, a client-side FIFO
// writer and builders for the command records.
#pragma once

#include "gpu_protocol.h"
#include "renderer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace renderer::test {

using Words = std::vector<uint32_t>;

// The whole shared area, zeroed, on the heap.
class TestArea {
  public:
    TestArea();
    gpuSharedArea* area() { return area_.get(); }
    uint32_t* video() { return area_->video_mem; }

    // Places both FIFO indexes at the same word (an empty FIFO there).
    void start_fifo_at(uint32_t index);
    // Writes words at fifo_write, wrapping at the end of the ring. They are
    // published unless publish is false.
    void push(const Words& words, bool publish = true);
    void publish();

  private:
    struct Free {
        void operator()(gpuSharedArea* p) const;
    };
    std::unique_ptr<gpuSharedArea, Free> area_;
    uint32_t shadow_write_ = 0;
};

// A vertex in units (converted to 16.16 when the command is built).
struct Vertex {
    double x, y, z;
    double u = 0, v = 0, shade = 0;
};

uint32_t fixed(double units);

// A vertex at depth 1 that projects to screen point (sx, sy) with the view
// after reset (focal length 256 pixels).
Vertex at_screen(double sx, double sy, double u = 0, double v = 0, double shade = 0);

// A quad covering the screen rectangle [x0, x1) x [y0, y1) at depth 1, with
// texture coordinates (u0, v0) at its top left and (u1, v1) at its bottom
// right, listed clockwise on screen.
std::vector<Vertex> screen_quad(double x0, double y0, double x1, double y1, double u0 = 0,
                                double v0 = 0, double u1 = 0, double v1 = 0);

Words cmd_reset();
Words cmd_view(int32_t dproj, int32_t min_x = -161, int32_t min_y = -121, int32_t max_x = 161,
               int32_t max_y = 121, int32_t unit = 96, int32_t span = 3);
Words cmd_buffer(uint32_t opcode, uint32_t address, uint32_t log2_width, uint32_t height);
// Planes as (point, normal) pairs in units; the record is always 32 words.
struct PlaneSpec {
    double px, py, pz, nx, ny, nz;
};
Words cmd_planes(uint32_t count, const std::vector<PlaneSpec>& planes);
Words cmd_facet(uint32_t rendering_type, uint32_t color, int32_t param,
                const std::vector<Vertex>& vertices);

// Concatenation of several commands.
Words join(std::initializer_list<Words> parts);

// Pushes the words, lets the renderer run until the FIFO holds no complete
// command, and has it paint what it kept back.
void run(TestArea& t, Renderer& r, const Words& words);

} // namespace renderer::test
