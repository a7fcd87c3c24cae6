// The display program's conversion against the simulator's display path:
// the same picture, only cut down to 5:6:5; and the checks that keep a
// damaged mailbox from reading outside video memory.
#include "display.h"
#include "render_state.h"
#include "rgb565_convert.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace display {
namespace {

TEST(Rgb565, MatchesTheSimulatorsPictureCutToFiveSixFive) {
    // An 8 x 240 buffer inside a 512-word-wide video: studio black and
    // white, luma outside the studio range, chroma at both ends, random.
    std::vector<uint32_t> video(1 << 18, 0);
    const uint32_t edges[] = {0x80108010u, 0x80EB80EBu, 0x80008000u, 0x80FF80FFu,
                              0x00EB00EBu, 0xFF10FF10u, 0x00FFFF00u, 0xFF0000FFu};
    std::mt19937 random(17);
    for (size_t i = 0; i < video.size(); ++i)
        video[i] = i < std::size(edges) ? edges[i] : static_cast<uint32_t>(random());

    const gpuBufLoc loc{0, 9, 240};
    renderer::RgbFrame rgb;
    renderer::convert_visible(video.data(), renderer::BufferSel{true, 0, 9, 240}, rgb);
    std::vector<uint16_t> fb(screen_width * screen_height, 0xFFFF);
    convert_to_rgb565(video.data(), loc, fb.data());
    for (size_t p = 0; p < fb.size(); ++p) {
        const uint8_t* c = &rgb.rgb[3 * p];
        const uint16_t expected =
            static_cast<uint16_t>((c[0] >> 3) << 11 | (c[1] >> 2) << 5 | c[2] >> 3);
        ASSERT_EQ(fb[p], expected) << "pixel " << p;
    }
}

// Every screen pixel as pixel_to_rgb565 makes it, black beyond the buffer.
void expect_each_pixel(const std::vector<uint32_t>& video, const gpuBufLoc& loc,
                       const std::vector<uint16_t>& fb) {
    const int columns = std::min(1 << loc.log2_width, screen_width);
    for (int y = 0; y < screen_height; ++y)
        for (int x = 0; x < screen_width; ++x) {
            const uint16_t expected =
                x < columns && y < static_cast<int>(loc.height)
                    ? pixel_to_rgb565(video[loc.address + (static_cast<uint32_t>(y) << loc.log2_width) +
                                            static_cast<uint32_t>(x)])
                    : 0;
            ASSERT_EQ(fb[static_cast<size_t>(y * screen_width + x)], expected)
                << "x " << x << ", y " << y << ", width 2^" << loc.log2_width;
        }
}

TEST(Rgb565, RunsShadingAndNoiseConvertLikeSinglePixelsFrameAfterFrame) {
    // Lines of repeated words, of one chroma under a changing Y, and of
    // noise; each picture twice, since the converter picks each line's way
    // from the frame before; widths down to a single pixel.
    std::mt19937 random(5);
    std::vector<uint32_t> video(1 << 18);
    uint32_t word = 0x80108010u;
    for (size_t i = 0; i < video.size(); ++i) {
        const uint32_t r = static_cast<uint32_t>(random());
        const size_t line = i >> 9;
        if (line % 3 == 0 && r % 5 == 0) word = r;                 // runs
        if (line % 3 == 1) word = (word & 0xFF00FF00u) | (r & 0xFFu) << 16 | (r >> 8 & 0xFFu);
        if (line % 3 == 2) word = r;                               // noise
        video[i] = word;
    }
    std::vector<uint16_t> fb(screen_width * screen_height);
    for (uint32_t log2_width : {9u, 0u, 1u, 3u, 9u}) {
        const gpuBufLoc loc{0, log2_width, 200};
        for (int frame = 0; frame < 2; ++frame) {
            std::fill(fb.begin(), fb.end(), uint16_t{0x1234});
            convert_to_rgb565(video.data(), loc, fb.data());
            expect_each_pixel(video, loc, fb);
        }
    }
}

TEST(Rgb565, BuffersBeyondVideoMemoryOrSmallerThanTheScreenLeaveBlack) {
    EXPECT_TRUE(buffer_in_video({gpu_video_words - 512, 9, 1}));
    EXPECT_FALSE(buffer_in_video({gpu_video_words - 511, 9, 1}));
    EXPECT_FALSE(buffer_in_video({0, 13, 1}));           // wider than any buffer
    EXPECT_FALSE(buffer_in_video({0, 9, 0}));            // no lines
    EXPECT_FALSE(buffer_in_video({0xFFFFFE00u, 9, 1}));  // the end wraps past 2^32
    EXPECT_FALSE(buffer_in_video({0, 12, 0x80000000u})); // the size wraps past 2^32

    std::vector<uint32_t> video(gpu_video_words, 0x80EB80EBu); // all white
    std::vector<uint16_t> fb(screen_width * screen_height, 0x1234);
    convert_to_rgb565(video.data(), {gpu_video_words, 9, 240}, fb.data());
    for (uint16_t pixel : fb)
        ASSERT_EQ(pixel, 0);
    // 16 x 4: white there, black around it.
    convert_to_rgb565(video.data(), {0, 4, 4}, fb.data());
    EXPECT_EQ(fb[0], 0xFFFF);
    EXPECT_EQ(fb[3 * screen_width + 15], 0xFFFF);
    EXPECT_EQ(fb[3 * screen_width + 16], 0);
    EXPECT_EQ(fb[4 * screen_width], 0);
}

} // namespace
} // namespace display
