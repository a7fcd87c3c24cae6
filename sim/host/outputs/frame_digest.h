// A fingerprint of everything a run displayed: 64-bit FNV-1a over the RGB
// bytes of every displayed frame in order. Two runs (or a run and another
// build of the same renderer) that showed the same pictures agree on it.
#pragma once

#include "frame_sink.h"

namespace sim::out {

class FrameDigest : public FrameSink {
  public:
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;
    // Prints "frame digest: HEX over N frames" as a simulator message.
    void finish(uint64_t frames_displayed) override;
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xcbf29ce484222325ull;
};

} // namespace sim::out
