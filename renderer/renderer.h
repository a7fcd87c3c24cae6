// The simulated second core's renderer: consumes the command FIFO of a shared
// area, draws facets into video memory and keeps the queue of shown buffers.
//
// The renderer owns no memory of its own beyond its state, which it holds
// inline (no heap): the shared area is the caller's (a mapping of the
// simulated physical memory, or a heap block in tests). It never writes fifo_write or FIFO words,
// and never reads or writes outside the area, whatever the client left there.
#pragma once

#include "config.h"
#include "gpu_protocol.h"
#include "renderer_state.h"
#include "rgb_frame.h"

#include <cstddef>
#include <cstdint>

namespace renderer {

class Renderer {
  public:
    explicit Renderer(gpuSharedArea* area);
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Back to the start state (as a reset command does): view, selections and
    // clip planes to their defaults, the display queue emptied, frame_count 0.
    void reset();

    // Executes whole commands available in the FIFO, at most max_commands of
    // them; returns how many were executed (a malformed command that was
    // skipped counts as one). Stops early after a show when stop_after_show
    // is set, so a paced display can keep up, and before a show while
    // max_pending_shows buffers already wait for display. Never waits: a
    // command the client has not finished writing stays for the next call.
    int step(int max_commands, bool stop_after_show = false);

    // True when the FIFO holds no complete command.
    bool fifo_empty() const;
    // Paints what the facets so far have kept back (a full-window fill
    // painted only where later facets did not paint over it). The renderer
    // does so itself before a show or another output buffer; this is for
    // whoever reads an output buffer without waiting for its show.
    void settle();

    // Shown buffers waiting for display.
    size_t pending_shows() const;

    // The location of the next shown buffer to display, as the show command
    // gave it after its checks (invalid: displays as black), without
    // converting it; false when none waits. A display program copies it out
    // and then calls advance_display().
    bool front_show(BufferSel& out) const;

    // Puts the next shown buffer on display (PC builds only): converts its visible 320 x 240
    // picture into frame, then advances frame_count. False when none waits.
    bool display_next(RgbFrame& frame);

    // The same without producing the picture, for runs that do not look at
    // every frame: dequeues the next shown buffer and advances frame_count.
    bool advance_display();

    // The next shown buffer's visible_words_digest (display.h); 0 when none
    // waits. Part of the PC library, like display_next.
    uint64_t next_shown_digest() const;

    // Resets so far (reset commands and reset() calls): a change tells that
    // the display queue was emptied.
    uint64_t reset_count() const;

    // Errors stored in error_code so far (error values: config.h).
    uint64_t error_count() const;

    // Pixels covered so far by facets of a rendering type, for cost
    // figures; 0 for a type that does not exist.
    uint64_t pixels_covered(uint32_t rendering_type) const;

    // Commands executed so far.
    uint64_t commands_executed() const;

    // Starts (or with null stops) reporting the consumed command stream.
    void set_capture(CaptureSink* sink);
    // Lets a host's threads paint the rows of large facets (row_share.h);
    // null paints every row on the caller's thread. Pictures are the same.
    // Builds for the second core and the page leave sharing out: there
    // every row is painted on the caller's thread whatever is given.
    void set_row_share(RowShare* share);

  private:
    RendererState state_;
};

} // namespace renderer
