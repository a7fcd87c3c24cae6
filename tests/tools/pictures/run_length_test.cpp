// Packing images into runs and unpacking them with the demo's decoder.
#include "run_length.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using picture_tool::Bitmap;
using picture_tool::make_bitmap;
using picture_tool::pack_picture;
using picture_tool::unpack_picture;

// Lines that exercise both ends of a line and every run length extreme.
Bitmap edge_case_image() {
    Bitmap bitmap = make_bitmap(255, 256);
    for (uint32_t x = 0; x < 255; ++x)
        bitmap.set(x, 1, true); // full line
    bitmap.set(0, 2, true);     // first pixel
    bitmap.set(254, 3, true);   // last pixel
    for (uint32_t x = 0; x < 255; x += 2)
        bitmap.set(x, 4, true); // alternating
    for (uint32_t x = 1; x < 254; ++x)
        bitmap.set(x, 255, true); // all but the ends
    return bitmap;
}

TEST(RunLength, EdgeLinesPackToTheirRuns) {
    std::vector<uint8_t> packed;
    std::string error;
    ASSERT_TRUE(pack_picture(edge_case_image(), packed, error)) << error;
    // Line 0 empty, then 0 255, then 0 1 254, then 254 1.
    const std::vector<uint8_t> start = {255, 0, 255, 0, 1, 254, 254, 1};
    ASSERT_GE(packed.size(), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), packed.begin()));
    const std::vector<uint8_t> end = {1, 253, 1};
    EXPECT_TRUE(std::equal(end.begin(), end.end(), packed.end() - 3));
    // Zero runs only where a line begins with a set pixel: lines 1, 2 and 4.
    EXPECT_EQ(std::count(packed.begin(), packed.end(), 0), 3);
}

TEST(RunLength, UnpackGivesBackThePackedImage) {
    const Bitmap image = edge_case_image();
    std::vector<uint8_t> packed;
    Bitmap back;
    std::string error;
    ASSERT_TRUE(pack_picture(image, packed, error)) << error;
    ASSERT_TRUE(unpack_picture(packed, back, error)) << error;
    EXPECT_EQ(back.width, 255u);
    EXPECT_EQ(back.height, 256u);
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(RunLength, PackRefusesOtherSizes) {
    for (const auto& [width, height] : {std::pair{256u, 256u}, std::pair{255u, 255u}}) {
        std::vector<uint8_t> packed;
        std::string error;
        EXPECT_FALSE(pack_picture(make_bitmap(width, height), packed, error));
        EXPECT_NE(error.find("255 x 256"), std::string::npos) << error;
    }
}

struct BadData {
    const char* name;
    std::vector<uint8_t> packed;
    const char* error_part;
};

class BadDataTest : public testing::TestWithParam<BadData> {};

TEST_P(BadDataTest, UnpackRefuses) {
    Bitmap bitmap;
    std::string error;
    EXPECT_FALSE(unpack_picture(GetParam().packed, bitmap, error));
    EXPECT_NE(error.find(GetParam().error_part), std::string::npos) << error;
}

std::vector<uint8_t> empty_lines(size_t count) {
    return std::vector<uint8_t>(count, 255);
}

std::vector<uint8_t> with_last_line(const std::vector<uint8_t>& last_line) {
    std::vector<uint8_t> packed = empty_lines(255);
    packed.insert(packed.end(), last_line.begin(), last_line.end());
    return packed;
}

std::vector<uint8_t> with_line_zero(const std::vector<uint8_t>& first_line) {
    std::vector<uint8_t> packed = empty_lines(255);
    packed.insert(packed.begin(), first_line.begin(), first_line.end());
    return packed;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadDataTest,
    testing::Values(BadData{"Nothing", {}, "ends in line 0"},
                    BadData{"OneLineShort", empty_lines(255), "ends in line 255"},
                    BadData{"LastLineUnfinished", with_last_line({100, 50}), "ends in line 255"},
                    BadData{"RunsPass255", with_line_zero({200, 100}), "line 0"},
                    BadData{"TrailingBytes", empty_lines(257), "1 bytes follow"}),
    [](const testing::TestParamInfo<BadData>& param_info) { return param_info.param.name; });

} // namespace
