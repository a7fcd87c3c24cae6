// The display program's work: take each buffer the renderer posts in the
// mailbox, convert it into the frame buffer, tell the renderer it is taken,
// then wait for the next frame time.
#pragma once

#include "display_mailbox.h"

#include <cstdint>

namespace display {

// How the loop passes time: a short pause while nothing is to be done, and
// the wait for the next frame time when no scan-out acknowledges frames.
class Pacing {
  public:
    virtual ~Pacing() = default;
    virtual void pause() = 0;
    virtual void next_frame() = 0;
    // True once the program has been asked to stop.
    virtual bool stop() = 0;
};

class DisplayLoop {
  public:
    DisplayLoop(gpuSharedArea* area, uint16_t* fb)
        : area_(area), box_(gpu_display_mailbox(area)), fb_(fb) {}

    // Converts the posted buffer and publishes it taken. False when the
    // renderer is not running or has posted nothing new.
    bool show_posted();

    // Runs until pacing says stop; returns the frames shown.
    uint64_t run(Pacing& pacing);

  private:
    // Waits until the simulator's scan-out has seen the frame just taken;
    // false when it went away meanwhile.
    bool wait_for_scanout(Pacing& pacing, uint32_t taken);

    gpuSharedArea* area_;
    gpuDisplayMailbox* box_;
    uint16_t* fb_;
};

} // namespace display
