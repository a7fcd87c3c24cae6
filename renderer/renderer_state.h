// Everything a Renderer holds, inline: no heap, so a renderer can live in
// static storage of a program without an operating system.
#pragma once

#include "capture_sink.h"
#include "commands.h"
#include "facet_drawer.h"
#include "fifo_reader.h"
#include "render_state.h"
#include "show_queue.h"

#include <cstdint>

namespace renderer {

struct RendererState {
    explicit RendererState(gpuSharedArea* shared) : area(shared), fifo(shared) {}

    gpuSharedArea* area;
    FifoReader fifo;
    RenderState render = start_state();
    // Shown buffers in queue order; an invalid location displays as black
    // but still counts, so frame_count keeps pace with the client's shows.
    ShowQueue shows;
    uint32_t frames_displayed = 0;
    uint64_t errors = 0;
    uint64_t executed = 0;
    uint64_t resets = 0;
    // A bad fifo_write is reported once, not at every poll while it lasts.
    bool write_fault_reported = false;
    CaptureSink* capture = nullptr;
    uint32_t words[max_command_words] = {};
    FacetDrawer drawer;

    uint32_t* video() { return area->video_mem; }
    void report(ErrorCode err);
    void reset();
    // The one place frame_count is published.
    void publish_frame_count();
    void report_texture();
    void execute(const uint32_t* w);
};

} // namespace renderer
