#include "y4m_writer.h"

#include "host_config.h"

#include <cstring>

namespace sim::out {
namespace {

constexpr size_t plane_bytes = size_t{config::fb_width} * config::fb_height;

} // namespace

void rgb_to_ycbcr(const uint8_t* rgb, uint8_t& y, uint8_t& cb, uint8_t& cr) {
    const int r = rgb[0], g = rgb[1], b = rgb[2];
    // Integer BT.601 coefficients scaled by 256, rounded; the results stay in
    // 16..235 and 16..240 for every input, so no clamping is needed.
    y = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    cb = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    cr = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

Y4mWriter::Y4mWriter(const std::string& path) : file_(path, "video file") {
    file_.write(y4m_header, std::strlen(y4m_header));
    buffer_.resize(std::strlen(y4m_frame_marker) + 3 * plane_bytes);
    std::memcpy(buffer_.data(), y4m_frame_marker, std::strlen(y4m_frame_marker));
}

void Y4mWriter::consume(const renderer::RgbFrame& frame, uint64_t) {
    require_full_frame(frame);
    uint8_t* y = buffer_.data() + std::strlen(y4m_frame_marker);
    uint8_t* cb = y + plane_bytes;
    uint8_t* cr = cb + plane_bytes;
    const uint8_t* rgb = frame.rgb.data();
    for (size_t i = 0; i < plane_bytes; ++i, rgb += 3)
        rgb_to_ycbcr(rgb, y[i], cb[i], cr[i]);
    file_.write(buffer_.data(), buffer_.size());
}

void Y4mWriter::finish(uint64_t) {
    file_.close();
}

} // namespace sim::out
