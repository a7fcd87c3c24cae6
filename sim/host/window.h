// A live window showing the handheld's screen at twice its size. Built over
// SDL2 when the build found it; otherwise a variant that reports the window
// as unsupported.
#pragma once

#include "frame_sink.h"

#include <cstdint>
#include <memory>

namespace sim::out {

class Window : public FrameSink {
  public:
    // True when this build can open a window.
    static bool supported();
    // Opens the window; throws HostError when there is no display or the
    // build has no window support.
    static std::unique_ptr<Window> open(int scale);

    // Shows a 320 x 240 RGB picture now.
    virtual void show(const uint8_t* rgb) = 0;
    // Handles pending events; false once the user has closed the window.
    virtual bool pump() = 0;

    // Shows displayed frames, at most display_hz times a second: in fast mode
    // the window samples the run instead of slowing it down.
    bool wants(uint64_t number) const override;
    void consume(const RgbFrame& frame, uint64_t number) override;

  private:
    int64_t last_show_ns_ = 0;
};

} // namespace sim::out
