// The preview's conversion from pixel words to RGB.
#include "preview.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using picture_tool::pixel_word_to_rgb;

// The gpu library's conversion of RGB into a pixel word (Y, U, Y, V).
uint32_t rgb_to_pixel_word(int r, int g, int b) {
    const int y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    return static_cast<uint32_t>(y | u << 8 | y << 16 | v << 24);
}

TEST(Preview, ConversionInvertsTheLoadingConversion) {
    uint8_t rgb[3];
    pixel_word_to_rgb(0x80108010, rgb);
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 0);
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 15) {
                pixel_word_to_rgb(rgb_to_pixel_word(r, g, b), rgb);
                ASSERT_LE(std::abs(rgb[0] - r), 3) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(rgb[1] - g), 3) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(rgb[2] - b), 3) << r << "," << g << "," << b;
            }
        }
    }
}

TEST(Preview, TextureHasLetteringHaloAndRim) {
    // One set pixel at (50, 60): line 60 is 50 clear, 1 set, 204 clear.
    std::vector<uint8_t> packed(256, 255);
    packed[60] = 50;
    packed.insert(packed.begin() + 61, {1, 204});
    std::vector<uint32_t> texels;
    std::string error;
    ASSERT_TRUE(picture_tool::decode_texture(packed, 10, 0xA, 0xB, texels, error)) << error;
    ASSERT_EQ(texels.size(), 65536u);
    EXPECT_EQ(texels[60 * 256 + 50 + 3], 0xAu);
    EXPECT_EQ(texels[60 * 256 + 50 + 4], 0xBu);
    EXPECT_EQ(texels[(60 + 13) * 256 + 50], 0x80108010u);
    EXPECT_EQ(texels[(60 + 14) * 256 + 50], 0xAu);
}

} // namespace
