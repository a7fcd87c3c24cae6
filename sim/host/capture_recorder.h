// Connects the renderer's capture hook to a capture file.
#pragma once

#include "capture_writer.h"
#include "host_error.h"
#include "renderer.h"

#include <string>

namespace sim {

class CaptureRecorder : public CaptureSink {
  public:
    explicit CaptureRecorder(const std::string& path) {
        if (!writer_.open(path)) throw HostError(writer_.error());
    }

    void command(const uint32_t* words, size_t count) override {
        writer_.write_command(words, count);
    }
    void texture_hash(uint64_t hash) override { writer_.write_texture_hash(hash); }

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
};

} // namespace sim
