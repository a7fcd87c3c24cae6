// Connects the renderer's capture hook to a capture file.
#pragma once

#include "capture_writer.h"
#include "host_error.h"
#include "renderer.h"

#include <string>
#include <unordered_set>

namespace sim {

class CaptureRecorder : public CaptureSink {
  public:
    // With contents, each texture's words go into the capture the first time
    // its hash appears, so that the capture can be replayed.
    CaptureRecorder(const std::string& path, bool contents) : contents_(contents) {
        if (!writer_.open(path)) throw HostError(writer_.error());
    }

    void command(const uint32_t* words, size_t count) override {
        writer_.write_command(words, count);
    }
    void texture_hash(uint64_t hash, const TextureWords& texture) override {
        if (contents_ && texture.words != nullptr && recorded_.insert(hash).second)
            writer_.write_texture_contents(hash, texture.log2_width, texture.height,
                                           texture.words);
        writer_.write_texture_hash(hash);
    }

    // A failed write is remembered by the writer, which drops the rest; the
    // loop checks here, outside the renderer, and ends the run.
    void check() const {
        if (!writer_.ok()) throw HostError(writer_.error());
    }
    void finish() {
        if (!writer_.close()) throw HostError(writer_.error());
    }

  private:
    capture::CaptureWriter writer_;
    bool contents_;
    std::unordered_set<uint64_t> recorded_;
};

} // namespace sim
