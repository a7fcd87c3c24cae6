// Plays the part of the program that made a capture: writes its commands
// into the FIFO of a shared area, as the client library would, and puts into
// video memory, before each texture selection, the texture the selection
// found in the recorded run.
#pragma once

#include "capture_replay.h"
#include "gpu_protocol.h"
#include "second_core.h"
#include "texture_digest_cache.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace sim {

class ReplayFeeder {
  public:
    ReplayFeeder(const capture::CaptureReplay& capture, gpuSharedArea* area);

    // Writes commands while the FIFO has room. Stops early at a show while an
    // earlier show waits for display, and at a selection
    // whose texture must be written: texture memory changes only once the
    // renderer has executed every earlier command and displayed every shown
    // buffer, as the recorded program wrote texels only into memory the
    // display had given back. True when it wrote anything. Throws HostError
    // when the capture's texture contents are damaged.
    bool feed(SecondCore& core);

    // Every command is in the FIFO.
    bool done() const { return next_ == capture_.commands().size(); }

  private:
    bool show_may_follow(const SecondCore& core) const;
    bool all_displayed(const SecondCore& core) const;
    bool texture_ready(const capture::ReplayCommand& command, SecondCore& core);
    void write_stand_in(uint64_t hash, const renderer::BufferSel& texture);
    bool fifo_drained() const;
    uint32_t fifo_room() const;
    void push(const uint32_t* words, uint32_t count);

    const capture::CaptureReplay& capture_;
    gpuSharedArea* area_;
    size_t next_ = 0;
    uint32_t shows_since_reset_ = 0; // what frame_count reaches once all are displayed
    renderer::TextureDigestCache digests_;
    std::vector<uint32_t> texels_;
    // Digests of the placeholder written for each recorded texture the
    // capture has no contents for, so that it is written only once.
    std::unordered_map<uint64_t, uint64_t> stand_ins_;
    bool stand_in_reported_ = false;
    bool unknown_reported_ = false;
};

} // namespace sim
