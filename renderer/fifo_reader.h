// The consumer's side of the command FIFO in the shared area.
//
// The renderer reads the words between fifo_read and fifo_write, wrapping at
// the end of the ring, and moves fifo_read on only past words it has copied
// out. It never writes fifo_write or the FIFO words themselves.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>

namespace renderer {

class FifoReader {
  public:
    enum class Poll {
        ok,
        bad_read,  // fifo_read holds no valid index
        bad_write, // fifo_write holds no valid index
    };

    explicit FifoReader(gpuSharedArea* area) : area_(area) {}

    // Takes a fresh look at both indexes. Only after ok are available(),
    // peek() and take() meaningful.
    Poll poll();

    // Words written by the client and not yet taken.
    uint32_t available() const;

    // Word i after the read position (i < available()).
    uint32_t peek(uint32_t i) const;

    // Copies the next n words (n <= available()) and releases them to the
    // client by publishing the new fifo_read.
    void take(uint32_t n, uint32_t* dst);

    // Gives up on whatever a corrupt fifo_read pointed into: continues where
    // the client will write next (fifo_write must be valid).
    void resync_to_write();

    uint32_t write_index() const { return write_; }

  private:
    void publish_read();

    gpuSharedArea* area_;
    uint32_t read_ = 0;
    uint32_t write_ = 0;
};

} // namespace renderer
