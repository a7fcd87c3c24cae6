// The second core as the run loop sees it, whichever kind runs: the built-in
// renderer (native) or the loaded program on an emulated ARMv4T core. The
// loop starts and stops it as the control registers say, lets it work, and
// takes its shown buffers for display at the pace it chooses.
#pragma once

#include "rgb_frame.h"

#include <cstddef>
#include <cstdint>

namespace sim {

// Which second core a run has: the built-in renderer or the loaded program
// on an emulated ARMv4T core.
enum class SecondCoreKind { native, emulated };

class SecondCore {
  public:
    virtual ~SecondCore() = default;

    // The loader released the core: run the program from its first word.
    virtual void start() = 0;
    // The loader holds the core: stop it where it is.
    virtual void stop() = 0;

    // Does the work due now: at most budget commands, stopping after a show
    // when stop_after_show is set. Returns how much was done (0: nothing).
    // Throws HostError when the core's program faulted.
    virtual int step(int budget, bool stop_after_show) = 0;

    // Shown buffers waiting for display.
    virtual size_t pending_shows() const = 0;
    // The next waiting buffer's visible_words_digest (renderer/display.h).
    virtual uint64_t next_shown_digest() const = 0;
    // Displays the next waiting buffer into frame; false when none waits.
    virtual bool display_next(renderer::RgbFrame& frame) = 0;
    // The same without producing the picture.
    virtual bool advance_display() = 0;

    // True when the core has nothing left to do with what the client wrote.
    virtual bool idle() const = 0;
    // After a pass in which step() did nothing: true unless the core may
    // still be working out of the loop's sight (on a thread of its own).
    virtual bool settled() const = 0;
    // Renderer errors seen so far.
    virtual uint64_t error_count() const = 0;
    // Before the simulator itself changes video memory (a replay writing a
    // texture): whatever the core consumed so far is taken into account, so
    // that nothing it read is judged by the new words. A core that works in
    // the loop's own thread has nothing to catch up.
    virtual void catch_up() {}
};

} // namespace sim
