// A consumer in a second process for the command FIFO: the shared area is a
// MAP_SHARED mapping of a memory file, as the memory device is for the
// simulator's programs, and the child process takes commands from it the way
// the renderer does (whole commands, length from the opcode, fifo_read
// published only after a command is copied out), drawing nothing.
//
// Release::each_command publishes fifo_read after every command, as the
// renderer does; Release::each_batch takes every complete command in view
// and then publishes once. The indexes share one cache line, which the two
// processors otherwise hand back and forth for every command.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>
#include <sys/types.h>

namespace bench {

enum class Release { each_command, each_batch };

class FifoPeer {
  public:
    // Maps a fresh area, points the client library's `shared` at it and
    // starts the consumer process.
    explicit FifoPeer(Release release);
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
