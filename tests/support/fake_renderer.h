// A consumer thread that stands in for the renderer in in-process tests.
//
// It reads the FIFO of a shared area exactly as the renderer does: whole
// commands, each one's length taken from its opcode (and, for a facet, from
// its vertex count), following a command across the end of the ring. For each
// command it copies the words, records them, applies the command's effect on
// the report words, and only then releases the words by advancing fifo_read
// with a release store. It draws nothing.
//
// Effects: a reset sets frame_count to 0 (and forgets held shows); a show
// either puts the buffer on display at once (frame_count + 1) or, in held
// mode, waits until the test calls release_frames. A word that is no known
// opcode is recorded as a one-word command and flagged.
//
// start() and stop() are explicit; stop() joins the thread and the
// destructor stops it. The accessors may be called from the test's thread
// while the consumer runs.
#pragma once

#include "gpu.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace test_support {

// Words of the command whose first two words are given (vertex_count matters
// only for a facet); 0 for a word that is no known opcode.
uint32_t command_words(uint32_t opcode, uint32_t vertex_count);

enum class ShowMode {
    immediate, // every show is displayed as soon as it is consumed
    held,      // shows wait for release_frames
};

class FakeRenderer {
  public:
    explicit FakeRenderer(gpuSharedArea* area, ShowMode mode = ShowMode::immediate);
    ~FakeRenderer();
    FakeRenderer(const FakeRenderer&) = delete;
    FakeRenderer& operator=(const FakeRenderer&) = delete;

    void start();
    void stop();

    // A copy of every command consumed so far, in FIFO order.
    std::vector<std::vector<uint32_t>> commands() const;
    size_t command_count() const;
    bool unknown_opcode_seen() const;

    // Held mode: puts up to count consumed shows on display, oldest first,
    // and returns how many it displayed.
    uint32_t release_frames(uint32_t count);
    // Shows consumed but not yet displayed.
    uint32_t held_frames() const;

    // Waits until the FIFO is empty (every published command consumed and
    // recorded); false if the timeout passed first.
    bool wait_until_idle(std::chrono::milliseconds timeout) const;

  private:
    void run();
    bool consume_one();
    void apply(const std::vector<uint32_t>& command);

    gpuSharedArea* area_;
    ShowMode mode_;
    std::thread thread_;
    std::atomic<bool> stop_requested_{false};

    // Guards the record and the held shows, and serialises every write of
    // frame_count between the consumer and the test's thread.
    mutable std::mutex mutex_;
    std::vector<std::vector<uint32_t>> commands_;
    uint32_t held_ = 0;
    bool unknown_opcode_ = false;
};

} // namespace test_support
