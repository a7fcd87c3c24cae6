#include "frame_queue.h"

#include "capture_format.h"
#include "web_config.h"

namespace web {

void FrameQueue::clear(bool keep_frames, bool digest) {
    while (!frames_.empty())
        pop();
    displayed_ = 0;
    digest_ = sim::capture::fnv1a_offset_basis;
    keep_frames_ = keep_frames;
    digest_frames_ = digest;
}

void FrameQueue::push(const renderer::RgbFrame& frame) {
    const uint32_t number = displayed_++;
    if (digest_frames_) {
        uint64_t hash = digest_;
        for (uint8_t byte : frame.rgb)
            hash = sim::capture::fnv1a_byte(hash, byte);
        digest_ = hash;
    }
    if (!keep_frames_) return;

    RgbaFrame out;
    out.number = number;
    if (!spare_.empty()) {
        out.rgba = std::move(spare_.back());
        spare_.pop_back();
    }
    out.rgba.resize(config::rgba_frame_bytes);
    const size_t pixels = config::rgba_frame_bytes / 4;
    for (size_t i = 0; i < pixels; ++i) {
        out.rgba[4 * i] = frame.rgb[3 * i];
        out.rgba[4 * i + 1] = frame.rgb[3 * i + 1];
        out.rgba[4 * i + 2] = frame.rgb[3 * i + 2];
        out.rgba[4 * i + 3] = 255;
    }
    frames_.push_back(std::move(out));
}

void FrameQueue::push_unseen() {
    const uint32_t number = displayed_++;
    if (keep_frames_) frames_.push_back(RgbaFrame{number, {}});
}

void FrameQueue::pop() {
    if (!frames_.front().rgba.empty()) spare_.push_back(std::move(frames_.front().rgba));
    frames_.pop_front();
}

} // namespace web
