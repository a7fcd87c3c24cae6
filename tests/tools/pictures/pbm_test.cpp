// Reading and writing PBM images.
#include "bitmap.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using picture_tool::Bitmap;
using picture_tool::parse_pbm;

TEST(Pbm, ReadsPlainWithCommentsAndRawWithPaddedRows) {
    Bitmap plain;
    std::string error;
    ASSERT_TRUE(parse_pbm("P1 # a comment\n# another\n3\t2\n101\n0 1 0\n", plain, error)) << error;
    EXPECT_EQ(plain.width, 3u);
    EXPECT_EQ(plain.pixels, (std::vector<uint8_t>{1, 0, 1, 0, 1, 0}));

    // Ten pixels a row take two bytes; set padding bits must be ignored.
    Bitmap raw;
    ASSERT_TRUE(parse_pbm(std::string("P4\n10 2\n\x80\x7f\x00\x40", 12), raw, error)) << error;
    for (uint32_t x = 0; x < 10; ++x) {
        EXPECT_EQ(raw.at(x, 0), x == 0 || x == 9) << x;
        EXPECT_EQ(raw.at(x, 1), x == 9) << x;
    }
}

TEST(Pbm, WrittenImageReadsBackWithShortLines) {
    Bitmap bitmap = picture_tool::make_bitmap(255, 3);
    for (uint32_t x = 0; x < 255; x += 3)
        bitmap.set(x, 1, true);
    bitmap.set(254, 2, true);
    const std::string text = picture_tool::format_pbm(bitmap);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_LE(end - start, 70u);
    Bitmap back;
    std::string error;
    ASSERT_TRUE(parse_pbm(text, back, error)) << error;
    EXPECT_EQ(back.width, 255u);
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

// A header alone may claim 4 GiB of pixels; it is refused before anything is
// set aside for them.
TEST(Pbm, HugeSizeWithoutTheRasterIsRefusedBeforeAllocating) {
    for (const char* text : {"P1\n65535 65535\n1", "P4\n65535 65535\n\xff\xff"}) {
        Bitmap bitmap;
        std::string error;
        EXPECT_FALSE(parse_pbm(text, bitmap, error)) << text;
        EXPECT_NE(error.find("end early"), std::string::npos) << error;
        EXPECT_EQ(bitmap.width, 0u) << text;
        EXPECT_TRUE(bitmap.pixels.empty()) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadPbmTest,
    testing::Values(BadPbm{"Greymap", "P2\n2 2\n", "not a PBM"},
                    BadPbm{"ZeroWidth", "P1\n0 5\n", "header"},
                    BadPbm{"HugeWidth", "P1\n99999999999 1\n", "header"},
                    BadPbm{"PlainTooShort", "P1\n2 2\n1 0 1\n", "end early"},
                    BadPbm{"PlainBadDigit", "P1\n2 1\n1 2\n", "unexpected"},
                    BadPbm{"RawTooShort", std::string("P4\n16 2\n\xff\xff\xff", 11), "end early"}),
    [](const testing::TestParamInfo<BadPbm>& param_info) { return param_info.param.name; });

} // namespace
