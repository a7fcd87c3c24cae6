// Displayed frames on their way to the page's canvas, as RGBA, and a digest
// of every frame displayed.
//
// The renderer displays frames when the page asks for the next one, and also
// inside the client's waits, so a few may arrive at once; the page takes
// them one per display tick. The queue itself sets no limit: the page stops
// playing while frames wait, which keeps it short.
#pragma once

#include "rgb_frame.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace web {

struct RgbaFrame {
    uint32_t number = 0;
    std::vector<uint8_t> rgba; // empty for a frame displayed without its picture
};

class FrameQueue {
  public:
    // keep_frames false keeps only the count and the digest, for whole runs
    // that look at no picture.
    void clear(bool keep_frames, bool digest);
    void push(const renderer::RgbFrame& frame);
    // A frame displayed without converting its picture (fast mode and
    // seeking pass over most frames unseen): numbered, never digested.
    void push_unseen();

    bool empty() const { return frames_.empty(); }
    size_t size() const { return frames_.size(); }
    const RgbaFrame& front() const { return frames_.front(); }
    void pop();

    // Frames displayed since the last clear.
    uint32_t displayed() const { return displayed_; }
    // 64-bit FNV-1a over the RGB bytes of every displayed frame in order.
    uint64_t digest() const { return digest_; }

  private:
    std::deque<RgbaFrame> frames_;
    // Popped frames' storage, reused so that playing allocates nothing.
    std::vector<std::vector<uint8_t>> spare_;
    uint32_t displayed_ = 0;
    uint64_t digest_ = 0;
    bool keep_frames_ = true;
    bool digest_frames_ = false;
};

} // namespace web
