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
    // One displayed frame; number counts displayed frames from 0 over the
    // whole run. Throws HostError when the output cannot take it.
    virtual void consume(const RgbFrame& frame, uint64_t number) = 0;
    // After the last frame: completes the output. Throws HostError on failure.
    virtual void finish() {}
};

// Every output takes whole 320 x 240 frames; a short one would make them
// read past its end.
inline void require_full_frame(const RgbFrame& frame) {
    if (frame.width != config::fb_width || frame.height != config::fb_height ||
        frame.rgb.size() < size_t{3} * config::fb_width * config::fb_height)
        throw HostError("a displayed frame is not a whole 320x240 picture");
}

} // namespace sim::out
