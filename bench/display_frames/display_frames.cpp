// display-frames: the display program's per-frame work (one 320 x 240
// buffer converted into an RGB 5:6:5 frame buffer) on three kinds of
// picture, for instruction counts on the PC (callgrind) and on ARM (an
// emulator trace):
//   flat    one pixel word everywhere: every pixel after the first repeats
//   ramp    a new word every fourth pixel, like a magnified texture
//   noise   a new word at every pixel, the worst case
// The conversion learns which lines are noisy from the frame before, so
// the first frame of a picture ("KIND-first") is counted apart from the
// FRAMES frames after it.
// Usage: display-frames FRAMES   prints "piece LABEL frames N" per piece.
#include "probe.h"
#include "rgb565_convert.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t log2_width = 9;

void fill(std::vector<uint32_t>& video, const char* kind) {
    uint32_t state = 12345;
    for (uint32_t i = 0; i < video.size(); ++i) {
        switch (kind[0]) {
        case 'f':
            video[i] = 0x80708070u;
            break;
        case 'r':
            video[i] = 0x80108010u + ((i >> 2) & 0xFF) * 0x00010001u;
            break;
        default:
            state = state * 1664525u + 1013904223u;
            video[i] = state;
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc == 2 ? std::atoi(argv[1]) : 0;
    if (argc != 2 || frames <= 0) {
        std::fprintf(stderr, "usage: display-frames FRAMES\n");
        return 2;
    }
    std::vector<uint32_t> video(static_cast<size_t>(display::screen_height) << log2_width);
    std::vector<uint16_t> fb(display::screen_width * display::screen_height);
    const gpuBufLoc loc{0, log2_width, display::screen_height};
    uint32_t check = 0;
    for (const char* kind : {"flat", "ramp", "noise"}) {
        fill(video, kind);
        const std::string first = std::string(kind) + "-first";
        bench::probe_begin(first.c_str());
        display::convert_to_rgb565(video.data(), loc, fb.data());
        bench::probe_end(first.c_str());
        std::printf("piece %s frames 1\n", first.c_str());
        bench::probe_begin(kind);
        for (int f = 0; f < frames; ++f)
            display::convert_to_rgb565(video.data(), loc, fb.data());
        bench::probe_end(kind);
        check += fb[fb.size() / 2];
        std::printf("piece %s frames %d\n", kind, frames);
    }
    // Keeps the conversions from being optimised away.
    return check == 0xFFFFFFFFu ? 1 : 0;
}
