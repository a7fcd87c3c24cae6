#include "rgb565_convert.h"

#include "rgb565_lines.h"

#include <algorithm>

namespace display {
namespace {

// Every limit of the renderer's buffers that a buffer shown on screen must
// also respect: at most 2^12 words a line, at least one line.
constexpr uint32_t max_log2_width = 12;

// Which converter each screen line takes. The run converter is the cheap
// one wherever pixels repeat or keep their chroma; on a line of new colours
// everywhere its compares cost more than they save, and the straight one
// is cheaper. A line whose chroma changed at more than half its pixels goes
// straight in the frames after it, and looks again with the run converter
// every recheck_frames frames (lines in turn, so that a picture of noise
// pays for a look at about two lines a frame).
constexpr uint32_t noisy_line_changes = screen_width / 2;
constexpr uint32_t recheck_frames = 128;

struct LineModes {
    bool straight[screen_height] = {};
    uint32_t frame = 0;
};

// The display program converts one screen after the other; what its lines
// were like in the last frame carries over to the next.
LineModes line_modes;

} // namespace

uint16_t pixel_to_rgb565(uint32_t word) {
    return static_cast<uint16_t>(rgb565_pixel(word, &rgb565_tables));
}

bool buffer_in_video(const gpuBufLoc& loc) {
    if (loc.log2_width > max_log2_width || loc.height == 0) return false;
    const uint64_t words = static_cast<uint64_t>(loc.height) << loc.log2_width;
    return loc.address < gpu_video_words && words <= gpu_video_words - loc.address;
}

void convert_to_rgb565(const uint32_t* video, const gpuBufLoc& loc, uint16_t* fb) {
    const bool valid = buffer_in_video(loc);
    const int columns =
        valid ? static_cast<int>(std::min<uint32_t>(1u << loc.log2_width, screen_width)) : 0;
    const int rows = valid ? static_cast<int>(std::min<uint32_t>(loc.height, screen_height)) : 0;
    // Whole groups of four pixels go through the line converters, a narrow
    // buffer's last pixels one by one.
    const uint32_t groups = static_cast<uint32_t>(columns) / 4;
    LineModes& modes = line_modes;
    ++modes.frame;
    for (int y = 0; y < screen_height; ++y) {
        uint16_t* line = fb + y * screen_width;
        int x = 0;
        if (y < rows) {
            const uint32_t* src =
                video + loc.address + (static_cast<uint32_t>(y) << loc.log2_width);
            // Screen lines start on word boundaries (320 pixels, 640 bytes).
            auto* out = reinterpret_cast<FrameWord*>(line);
            bool& straight = modes.straight[y];
            if (straight && (modes.frame + static_cast<uint32_t>(y)) % recheck_frames == 0)
                straight = false;
            if (groups == 0) {
                // Narrower than a group: nothing for the line converters.
            } else if (straight) {
                rgb565_line_straight(src, out, groups, &rgb565_tables);
            } else {
                straight = rgb565_line_runs(src, out, groups, &rgb565_tables) > noisy_line_changes;
            }
            x = static_cast<int>(4 * groups);
            for (; x < columns; ++x)
                line[x] = pixel_to_rgb565(src[x]);
        }
        if (x < screen_width) std::fill(line + x, line + screen_width, uint16_t{0});
    }
}

} // namespace display
