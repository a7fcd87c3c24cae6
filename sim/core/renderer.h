// The simulated second core's renderer: consumes the command FIFO of a shared
// area, draws facets into video memory and keeps the queue of shown buffers.
//
// The renderer owns no memory of its own beyond its state: the shared area
// is the caller's (a mapping of the simulated physical memory, or a heap
// block in tests). It never writes fifo_write or FIFO words, and never reads
// or writes outside the area, whatever the client left there.
#pragma once

#include "config.h"
#include "gpu_protocol.h"
#include "rgb_frame.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace sim {

// The words of a selected texture, as the capture hook sees them: null
// words for a selection the renderer rejected.
struct TextureWords {
    const uint32_t* words = nullptr;
    uint32_t log2_width = 0;
    uint32_t height = 0;
};

// Receives the command stream as the renderer consumed it.
class CaptureSink {
  public:
    virtual ~CaptureSink() = default;
    // One command: exactly the words consumed from the FIFO.
    virtual void command(const uint32_t* words, size_t count) = 0;
    // After each texture selection has executed: the selected texture's
    // words, valid until the next command executes. Their hash
    // (texture_hash.h) is the sink's to compute, so that it can do so away
    // from the renderer's thread.
    virtual void texture_selected(const TextureWords& texture) = 0;
};

class Renderer {
  public:
    explicit Renderer(gpuSharedArea* area);
    ~Renderer();
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

    // Shown buffers waiting for display.
    size_t pending_shows() const;

    // Puts the next shown buffer on display: converts its visible 320 x 240
    // picture into frame, then advances frame_count. False when none waits.
    bool display_next(RgbFrame& frame);

    // The same without producing the picture, for runs that do not look at
    // every frame: dequeues the next shown buffer and advances frame_count.
    bool advance_display();

    // The next shown buffer's visible_words_digest; 0 when none waits.
    uint64_t next_shown_digest() const;

    // Where the next shown buffer lies, for a display outside the renderer
    // that converts it itself (then calls advance_display()). A shown buffer
    // that failed the checks reads as height 0. False when none waits.
    bool next_shown(gpuBufLoc& loc) const;

    // Resets so far (reset commands and reset() calls): a change tells that
    // the display queue was emptied.
    uint64_t reset_count() const;

    // Errors stored in error_code so far (error values: config.h).
    uint64_t error_count() const;

    // Commands executed so far.
    uint64_t commands_executed() const;

    // Starts (or with null stops) reporting the consumed command stream.
    void set_capture(CaptureSink* sink);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace sim
