// The renderer's side of the display mailbox (display_mailbox.h): posts the
// shown buffers one at a time to the display program on the main core and
// advances frame_count once that program has taken each of them.
#pragma once

#include "display_mailbox.h"
#include "renderer.h"

#include <cstdint>

namespace second_core {

class DisplayLink {
  public:
    explicit DisplayLink(gpuSharedArea* area) : area_(area), box_(gpu_display_mailbox(area)) {}

    // Claims the mailbox with nothing posted, then marks it live. Whatever a
    // program that ran before left posted is dropped.
    void start();

    // One turn of the main loop: finishes the post the display program has
    // taken, and a present scan-out has acknowledged (advancing
    // frame_count), then posts the next shown buffer if one waits, and
    // says in the mailbox whether anything is left to show. Never waits
    // itself.
    void service(renderer::Renderer& renderer);

    // True while a posted buffer waits for the display program.
    bool waiting() const { return outstanding_; }

  private:
    void report_drained(const renderer::Renderer& renderer);

    gpuSharedArea* area_;
    gpuDisplayMailbox* box_;
    uint32_t posted_ = 0;
    bool outstanding_ = false;
    // The renderer's reset count when the outstanding buffer was posted.
    uint64_t posted_in_reset_ = 0;
    // The last value stored in the mailbox's drained word: it is written
    // only when it changes, twice a frame at most.
    uint32_t drained_ = gpu_display_not_drained;
};

} // namespace second_core
