#include "frame_digest.h"

#include "capture_format.h"
#include "console.h"

#include <cinttypes>
#include <cstdio>

namespace sim::out {

void FrameDigest::consume(const renderer::RgbFrame& frame, uint64_t) {
    require_full_frame(frame);
    uint64_t hash = hash_;
    for (size_t i = 0; i < size_t{3} * config::fb_width * config::fb_height; ++i)
        hash = capture::fnv1a_byte(hash, frame.rgb[i]);
    hash_ = hash;
}

void FrameDigest::finish(uint64_t frames_displayed) {
    char line[80];
    std::snprintf(line, sizeof line, "frame digest: %016" PRIx64 " over %" PRIu64 " frames", hash_,
                  frames_displayed);
    print_message(line);
}

} // namespace sim::out
