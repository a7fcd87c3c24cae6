// The command stream an emulated renderer consumed, read back from the FIFO:
// the words between the last fifo_read seen and the new one, cut into
// commands as the renderer cuts them. The client rewrites a word only after
// fifo_read has passed it, and the loop looks far more often than the client
// fills the ring, so the words are still there when they are read. The shows
// since the last reset are counted, to tell when every one was displayed.
//
// A selected texture is read from video memory when its setTxtBuf is read
// back, not when the program executed it. Its words are the ones the program
// read as long as the client has not taken the buffer back: a client reuses
// a texture once frame_count has passed the frame after the one that used
// it, and the core's owner reads back at every displayed frame, before the
// next one can be taken, so that is always in time. Should a look still come
// after that point, the selection is recorded as unknown, never as a hash of
// words the program may not have read.
#pragma once

#include "capture_recorder.h"
#include "gpu_protocol.h"

#include <cstdint>
#include <vector>

namespace sim {

class ConsumedCommands {
  public:
    ConsumedCommands(const gpuSharedArea* area, CaptureRecorder* capture)
        : area_(area), capture_(capture) {}

    uint32_t shows_since_reset() const { return shows_; }
    // The fifo_read up to which the commands are known: shows_since_reset()
    // counts nothing the program consumed after it.
    uint32_t read_position() const { return read_; }
    // Selections recorded as unknown so far.
    uint64_t unknown_textures() const { return unknown_textures_; }

    // The core starts reading at fifo_read.
    void restart(uint32_t fifo_read);
    // Reports the commands that end before fifo_read. frame_count is read
    // before fifo_read, so it is never newer than the commands.
    void advance(uint32_t fifo_read, uint32_t frame_count);

  private:
    void report_texture(const uint32_t* command, uint32_t frame_count, uint32_t shows_in_look);

    const gpuSharedArea* area_;
    CaptureRecorder* capture_;
    uint32_t read_ = 0;
    uint32_t shows_ = 0;
    uint64_t unknown_textures_ = 0;
    std::vector<uint32_t> pending_; // consumed words not yet a whole command
};

} // namespace sim
