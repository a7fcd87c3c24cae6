// The display program's work: take each buffer the renderer posts in the
// mailbox, convert it into the frame buffer, tell the renderer it is taken,
// then wait for the next frame time. Asked to stop, it first puts on the
// screen the frames the renderer still owes.
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
    // True once the program has been asked to stop: it finishes the frames
    // the renderer still owes, then returns.
    virtual bool stop() = 0;
    // True once it has been asked again: it returns at once.
    virtual bool stop_now() = 0;
};

// While finishing, the loop gives up on a renderer that has neither posted
// nor read a command nor reported itself drained for this many pauses
// (1 ms each with the program's own clock: one second).
inline constexpr uint32_t finish_quiet_pauses = 1000;

class DisplayLoop {
  public:
    DisplayLoop(gpuSharedArea* area, uint16_t* fb)
        : area_(area), box_(gpu_display_mailbox(area)), fb_(fb) {}

    // Converts the posted buffer and publishes it taken. False when the
    // renderer is not running or has posted nothing new.
    bool show_posted();

    // Runs until pacing says stop, then until the renderer has nothing left
    // to show; returns the frames shown.
    uint64_t run(Pacing& pacing);

  private:
    // Shows the posted buffer and waits for its frame time, or pauses when
    // there is none; true when a frame was shown.
    bool turn(Pacing& pacing);

    // Waits until the simulator's scan-out has seen the frame just taken;
    // false when it went away meanwhile.
    bool wait_for_scanout(Pacing& pacing, uint32_t taken);

    // After the stop request: true while the renderer still owes frames and
    // answers.
    bool frames_owed();

    gpuSharedArea* area_;
    gpuDisplayMailbox* box_;
    uint16_t* fb_;

    // What the renderer last did while the loop was finishing, and the
    // pauses since it changed.
    struct Marks {
        uint32_t posted, fifo_read, drained;
        bool operator==(const Marks&) const = default;
    };
    Marks marks_{};
    uint32_t quiet_pauses_ = 0;
};

} // namespace display
