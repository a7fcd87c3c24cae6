// A contact sheet: one picture with a grid of thumbnails (a quarter of the
// screen's size, six to a row) sampled evenly over the whole run, each
// labelled with its frame number.
//
// The length of the run is not known while it lasts, so frames are kept at a
// stride that doubles whenever the store fills up: after the run the store
// holds between one and two sheets' worth of evenly spaced frames, from which
// the sheet takes an even selection.
#pragma once

#include "frame_sink.h"
#include "rgb_image.h"

#include <string>
#include <vector>

namespace sim::out {

class ContactSheet : public FrameSink {
  public:
    // path ends in .png (when the build has libpng) or .ppm; the file is
    // created at once, so an unwritable path fails before the run.
    explicit ContactSheet(const std::string& path);
    // Frames at the current stride; the stride only grows, so a frame not
    // wanted now is never wanted later.
    bool wants(uint64_t number) const override { return number % stride_ == 0; }
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;
    void finish(uint64_t frames_displayed) override;

    // The frame numbers the sheet shows, in order.
    std::vector<uint64_t> sheet_frames() const;
    // The sheet as it would be written now.
    RgbImage compose() const;

  private:
    struct Thumbnail {
        uint64_t number = 0;
        RgbImage image;
    };

    std::vector<size_t> sheet_slots() const;

    std::string path_;
    bool as_png_;
    std::vector<Thumbnail> store_; // allocated once, up to two sheets' worth
    size_t stored_ = 0;
    uint64_t stride_ = 1;
};

// Writes a binary PPM (P6). Empty on success, else what went wrong.
std::string write_ppm(const std::string& path, const RgbImage& image);

} // namespace sim::out
