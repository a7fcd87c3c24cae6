// Chosen frames saved as PNG files DIR/frame_NNNNN.png, NNNNN being the
// displayed frame's number.
#pragma once

#include "frame_sink.h"
#include "rgb_image.h"

#include <string>
#include <vector>

namespace sim::out {

class PngFrames : public FrameSink {
  public:
    // Makes the folder if it is missing and checks it can be written.
    // frames need not be sorted; duplicates are ignored.
    PngFrames(const std::string& dir, std::vector<uint64_t> frames);
    bool wants(uint64_t number) const override {
        return next_ < frames_.size() && frames_[next_] == number;
    }
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;
    // Warns about listed frames the run never displayed.
    void finish(uint64_t frames_displayed) override;

    static std::string file_name(uint64_t number);

  private:
    std::string dir_;
    std::vector<uint64_t> frames_; // sorted, unique
    size_t next_ = 0;              // first listed frame not yet written
    RgbImage picture_;
};

} // namespace sim::out
