// The command stream an emulated renderer consumed, read back from the FIFO:
// the words between the last fifo_read seen and the new one, cut into
// commands as the renderer cuts them. The client rewrites a word only after
// fifo_read has passed it, and the loop looks far more often than the client
// fills the ring, so the words are still there when they are read. Texture
// contents are not known this way; each selection reports none. The shows
// since the last reset are counted, to tell when every one was displayed.
#pragma once

#include "gpu_protocol.h"
#include "renderer.h"

#include <cstdint>
#include <vector>

namespace sim {

class ConsumedCommands {
  public:
    ConsumedCommands(const gpuSharedArea* area, renderer::CaptureSink* sink)
        : area_(area), sink_(sink) {}

    uint32_t shows_since_reset() const { return shows_; }

    // The core starts reading at fifo_read.
    void restart(uint32_t fifo_read);
    // Reports the commands that end before fifo_read.
    void advance(uint32_t fifo_read);

  private:
    const gpuSharedArea* area_;
    renderer::CaptureSink* sink_;
    uint32_t read_ = 0;
    uint32_t shows_ = 0;
    std::vector<uint32_t> pending_; // consumed words not yet a whole command
};

} // namespace sim
