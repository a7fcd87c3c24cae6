// Reading and writing PBM images.
#include "bitmap.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using picture_tool::Bitmap;
using picture_tool::format_pbm;
using picture_tool::make_bitmap;
using picture_tool::parse_pbm;

TEST(Pbm, PlainWithCommentsAndRunTogetherDigits) {
    const std::string text = "P1 # a comment\n# another\n3\t2\n101\n0 1 0\n";
    Bitmap bitmap;
    std::string error;
    ASSERT_TRUE(parse_pbm(text, bitmap, error)) << error;
    EXPECT_EQ(bitmap.width, 3u);
    EXPECT_EQ(bitmap.height, 2u);
    EXPECT_EQ(bitmap.pixels, (std::vector<uint8_t>{1, 0, 1, 0, 1, 0}));
}

TEST(Pbm, RawRowsArePaddedToWholeBytes) {
    // 10 pixels a row: two bytes, the last six bits of the second unused.
    std::string text = "P4\n10 2\n";
    text += static_cast<char>(0x80);
    text += static_cast<char>(0x7F); // padding bits set must be ignored
    text += static_cast<char>(0x00);
    text += static_cast<char>(0x40);
    Bitmap bitmap;
    std::string error;
    ASSERT_TRUE(parse_pbm(text, bitmap, error)) << error;
    for (uint32_t x = 0; x < 10; ++x) {
        EXPECT_EQ(bitmap.at(x, 0), x == 0 || x == 9) << x;
        EXPECT_EQ(bitmap.at(x, 1), x == 9) << x;
    }
}

TEST(Pbm, PlainOutputReadsBackAndKeepsLinesShort) {
    Bitmap bitmap = make_bitmap(255, 3);
    for (uint32_t x = 0; x < 255; x += 3)
        bitmap.set(x, 1, true);
    bitmap.set(254, 2, true);
    const std::string text = format_pbm(bitmap);
    size_t line_start = 0;
    while (line_start < text.size()) {
        const size_t end = text.find('\n', line_start);
        EXPECT_LE(end - line_start, 70u);
        line_start = end + 1;
    }
    Bitmap back;
    std::string error;
    ASSERT_TRUE(parse_pbm(text, back, error)) << error;
    EXPECT_EQ(back.width, bitmap.width);
    EXPECT_EQ(back.pixels, bitmap.pixels);
}

struct BadPbm {
    const char* name;
    std::string text;
    const char* error_part;
};

class BadPbmTest : public testing::TestWithParam<BadPbm> {};

TEST_P(BadPbmTest, IsRefusedWithAReason) {
    Bitmap bitmap;
    std::string error;
    EXPECT_FALSE(parse_pbm(GetParam().text, bitmap, error));
    EXPECT_NE(error.find(GetParam().error_part), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadPbmTest,
    testing::Values(BadPbm{"Empty", "", "not a PBM"}, BadPbm{"Greymap", "P2\n2 2\n", "not a PBM"},
                    BadPbm{"NoHeight", "P1\n5\n", "header"},
                    BadPbm{"ZeroWidth", "P1\n0 5\n", "header"},
                    BadPbm{"HugeWidth", "P1\n99999999999 1\n", "header"},
                    BadPbm{"PlainTooShort", "P1\n2 2\n1 0 1\n", "end early"},
                    BadPbm{"PlainBadDigit", "P1\n2 1\n1 2\n", "unexpected"},
                    BadPbm{"RawTooShort", std::string("P4\n16 2\n\xff\xff\xff", 11), "end early"},
                    BadPbm{"RawNoSeparator", "P4\n8 1", "whitespace"}),
    [](const testing::TestParamInfo<BadPbm>& param_info) { return param_info.param.name; });

} // namespace
