// A consumer in a second process for the command FIFO: the shared area is a
// MAP_SHARED mapping of a memory file, as the memory device is for the
// simulator's programs, and the child process takes commands from it the way
// the renderer does (whole commands, length from the opcode, fifo_read
// published after each one is copied out), drawing nothing.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>
#include <sys/types.h>

namespace bench {

class FifoPeer {
  public:
    // Maps a fresh area, points the client library's `shared` at it and
    // starts the consumer process.
    FifoPeer();
    // Stops the consumer and unmaps the area.
    ~FifoPeer();
    FifoPeer(const FifoPeer&) = delete;
    FifoPeer& operator=(const FifoPeer&) = delete;

    // Waits until the consumer has taken every published word.
    void wait_until_drained() const;

    // Words the consumer has taken so far (published by it after each
    // command), and a sum over them that keeps its copies from being idle.
    uint64_t words_taken() const;

    gpuSharedArea* area() const { return area_; }

  private:
    struct Control;
    void* mapping_ = nullptr;
    gpuSharedArea* area_ = nullptr;
    Control* control_ = nullptr;
    pid_t child_ = -1;
};

} // namespace bench
