// Conversion of RGB pictures into the renderer's Y, U, Y, V pixel words.
#include "gpu.h"

#include "in_process_area.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ColourCase {
    const char* name;
    uint8_t rgb[3];
    uint32_t word;
};

const ColourCase colours[] = {
    {"black", {0, 0, 0}, 0x80108010},
    {"white", {255, 255, 255}, 0x80EB80EB},
    {"red", {255, 0, 0}, 0xF0525A52},
    {"green", {0, 255, 0}, 0x22903690},
    {"blue", {0, 0, 255}, 0x6E29F029},
    // The chroma sum is -28432 here: only a shift towards minus infinity
    // gives U = 16 (truncation would give 17).
    {"yellow", {255, 255, 0}, 0x92D210D2},
};

class TextTest : public ::testing::Test {
  protected:
    uint32_t* video() const { return memory_.area()->video_mem; }

    test_support::InProcessArea memory_;
};

// The texels land line after line from the buffer's first word, and the
// words around the buffer are left alone.
TEST_F(TextTest, ConvertsEveryTexelIntoItsBuffer) {
    constexpr uint32_t count = sizeof colours / sizeof colours[0];
    std::vector<uint8_t> rgb;
    for (uint32_t i = 0; i < 8; ++i)
        rgb.insert(rgb.end(), colours[i % count].rgb, colours[i % count].rgb + 3);
    video()[99] = video()[108] = 0xDEAD;

    const gpuBufLoc loc = {100, 2, 2}; // two lines of four texels
    EXPECT_EQ(gpuOK, gpuLoadImg(&loc, rgb.data()));
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(colours[i % count].word, video()[100 + i]) << colours[i % count].name;
    EXPECT_EQ(0xDEADu, video()[99]);
    EXPECT_EQ(0xDEADu, video()[108]);
}

TEST_F(TextTest, EmptyOrOutOfRangeLocationsWriteNothing) {
    const uint8_t rgb[3] = {255, 255, 255};
    const gpuBufLoc empty = {0, 5, 0};
    EXPECT_EQ(gpuOK, gpuLoadImg(&empty, nullptr));
    EXPECT_EQ(0u, video()[0]);

    // Locations the buffer manager never hands out: past the end of video
    // memory, or a line length beyond 32 bits.
    const gpuBufLoc past_end = {gpu_video_words - 1, 1, 1};
    const gpuBufLoc huge_line = {0, 40, 1};
    EXPECT_EQ(gpuBadParam, gpuLoadImg(&past_end, rgb));
    EXPECT_EQ(gpuBadParam, gpuLoadImg(&huge_line, rgb));
    EXPECT_EQ(0u, video()[gpu_video_words - 1]);
    EXPECT_EQ(0u, video()[0]);
}

} // namespace
