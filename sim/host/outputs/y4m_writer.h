// A YUV4MPEG2 video file written directly: 320 x 240 at 60 frames a second,
// full-resolution chroma (C444), studio-range BT.601, so that no colour
// detail of a frame is thrown away before an encoder sees it.
#pragma once

#include "frame_sink.h"
#include "output_file.h"

#include <string>
#include <vector>

namespace sim::out {

inline constexpr const char* y4m_header = "YUV4MPEG2 W320 H240 F60:1 Ip A1:1 C444\n";
inline constexpr const char* y4m_frame_marker = "FRAME\n";

// Converts one RGB pixel to studio-range Y, Cb, Cr (BT.601).
void rgb_to_ycbcr(const uint8_t* rgb, uint8_t& y, uint8_t& cb, uint8_t& cr);

class Y4mWriter : public FrameSink {
  public:
    // Creates the file and writes the stream header.
    explicit Y4mWriter(const std::string& path);
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;
    void finish(uint64_t frames_displayed) override;

  private:
    OutputFile file_;
    std::vector<uint8_t> buffer_; // one frame: marker and three planes
};

} // namespace sim::out
