// The capture hook's interface: what a recorder of the consumed command
// stream receives from the renderer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace renderer {

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

} // namespace renderer
