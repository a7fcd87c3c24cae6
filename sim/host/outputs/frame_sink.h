// A consumer of displayed frames: the window, the video file, the PNG frames
// and the contact sheet all receive the same frames in display order.
#pragma once

#include "host_config.h"
#include "host_error.h"
#include "renderer.h"

#include <cstdint>

namespace sim::out {

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // Whether the output will use the frame with this number. When no output
    // does, the frame is put on display without being converted to RGB.
    virtual bool wants(uint64_t /*number*/) const { return true; }
    // One displayed frame; number counts displayed frames from 0 over the
    // whole run. Called for every frame converted, wanted or not; an output
    // skips the ones it does not use. Throws HostError when it cannot take it.
    virtual void consume(const renderer::RgbFrame& frame, uint64_t number) = 0;
    // After the last frame, with the number of frames the run displayed:
    // completes the output. Throws HostError on failure.
    virtual void finish(uint64_t /*frames_displayed*/) {}
};

// Every output takes whole 320 x 240 frames; a short one would make them
// read past its end.
inline void require_full_frame(const renderer::RgbFrame& frame) {
    if (frame.width != config::fb_width || frame.height != config::fb_height ||
        frame.rgb.size() < size_t{3} * config::fb_width * config::fb_height)
        throw HostError("a displayed frame is not a whole 320x240 picture");
}

} // namespace sim::out
