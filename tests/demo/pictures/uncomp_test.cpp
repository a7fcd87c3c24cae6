// uncomp on an in-process shared area: it must build, in the buffer it
// allocates, exactly the texture of the decoder core, and stop at a bad line
// with the demo's assertion.
#include "in_process_area.h"
#include "packed_picture.h"
#include "picture_decode.h"
#include "picture_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using picture_tests::coloured;
using picture_tests::decoded_table;
using picture_tests::empty_picture;

struct PictureCall {
    const uint8_t* picture;
    size_t size;
    uint32_t width;
    uint32_t colour_a;
    uint32_t colour_b;
};

class UncompTest : public testing::Test {
  protected:
    test_support::InProcessArea memory_;
};

TEST_F(UncompTest, BuildsTheCoreTextureInItsOwnBufferForEveryBuiltInPicture) {
    const PictureCall calls[] = {
        {pic1, pic1_size, 24, 0x81a977a9, 0x67899d89},
        {pic2, pic2_size, 10, 0x955cb75c, 0x36909990},
        {pic3, pic3_size, 10, 0x7fad89ad, 0xae7db37d},
        {pic4, pic4_size, 18, 0x6e29f029, 0x97368d36},
    };
    // A buffer in front, filled with a pattern, shows that uncomp writes
    // only into the texture it allocated.
    gpuBuf* before = gpuAlloc(8, 16, true);
    ASSERT_NE(before, nullptr);
    uint32_t* guard = gpu_buffer_words(gpuBuf_get_loc(before));
    std::fill(guard, guard + 16 * 256, 0xA5A5A5A5u);

    for (const PictureCall& call : calls) {
        gpuBuf* txt = uncomp(call.picture, call.width, call.colour_a, call.colour_b);
        ASSERT_NE(txt, nullptr);
        const gpuBufLoc* loc = gpuBuf_get_loc(txt);
        EXPECT_EQ(loc->log2_width, 8u);
        EXPECT_EQ(loc->height, 256u);
        const std::vector<uint8_t> packed(call.picture, call.picture + call.size);
        const auto expected =
            coloured(decoded_table(packed), call.width, call.colour_a, call.colour_b);
        const uint32_t* words = gpu_buffer_words(loc);
        for (uint32_t i = 0; i < picture_texels; ++i)
            ASSERT_EQ(words[i], expected[i]) << "texel " << i % 256 << "," << i / 256;
        gpuFree(txt);
    }
    EXPECT_TRUE(std::all_of(guard, guard + 16 * 256, [](uint32_t w) { return w == 0xA5A5A5A5; }));
}

using UncompDeathTest = UncompTest;

TEST_F(UncompDeathTest, LineWhoseRunsPass255IsFatal) {
    std::vector<uint8_t> packed = empty_picture();
    packed[3] = 200;
    packed.insert(packed.begin() + 4, 100);
    EXPECT_DEATH(uncomp(packed.data(), 10, 0, 0),
                 "lumenfall:588: uncomp: Assertion `x == 255' failed\\.");
}

TEST_F(UncompDeathTest, SweepsWithoutATableAreFatal) {
    // uncomp has freed its table by the time it returns.
    const std::vector<uint8_t> packed = empty_picture();
    gpuFree(uncomp(packed.data(), 10, 0, 0));
    EXPECT_DEATH(calc_dists(), "calc_dists: Assertion `dists != nullptr' failed\\.");
}

} // namespace
