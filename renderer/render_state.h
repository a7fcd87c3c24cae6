// The selections a command stream builds up: view, clip planes and the three
// buffers. Each holds for every later command until it is replaced, and a
// reset puts all of them back to start_state().
#pragma once

#include "config.h"
#include "gpu_protocol.h"

#include <array>
#include <cstdint>

namespace renderer {

// A buffer selection that has passed the checks of check_buffer(): every word
// of it lies inside video memory.
struct BufferSel {
    bool valid = false;
    uint32_t address = 0;
    uint32_t log2_width = 0;
    uint32_t height = 0;

    uint32_t width() const { return 1u << log2_width; }
};

struct View {
    int32_t dproj = default_dproj;
    int32_t clip_min_x = default_clip_min_x;
    int32_t clip_min_y = default_clip_min_y;
    int32_t clip_max_x = default_clip_max_x;
    int32_t clip_max_y = default_clip_max_y;
    int32_t shade_unit = default_shade_unit;
    int32_t shade_span = default_shade_span;

    // Shade units per octave: that many halve the brightness, or make it twice
    // as bright.
    int64_t shade_octave() const { return int64_t{shade_unit} * shade_span; }
};

// A clip plane in camera space, raw 16.16 as sent: keeps points p where
// (p - point) . normal >= 0.
struct Plane {
    int64_t point[3] = {0, 0, 0};
    int64_t normal[3] = {0, 0, 0};
};

struct RenderState {
    View view;
    std::array<Plane, gpu_max_clip_planes> planes{};
    uint32_t plane_count = 0;
    BufferSel out;
    BufferSel texture;
    BufferSel depth; // validated and kept, but drawing never uses it
};

inline RenderState start_state() {
    return RenderState{};
}

// Checks a buffer location against video memory: a non-empty buffer with at
// most 2^max_log2_width words per line, wholly inside video memory.
BufferSel check_buffer(const gpuBufLoc& loc);

} // namespace renderer
