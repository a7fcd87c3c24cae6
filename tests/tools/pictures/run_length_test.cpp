// Packing images into runs and unpacking them with the demo's decoder.
#include "run_length.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using picture_tool::Bitmap;
using picture_tool::pack_picture;
using picture_tool::unpack_picture;

TEST(RunLength, EdgeLinesPackToTheirRunsAndUnpackBack) {
    Bitmap image = picture_tool::make_bitmap(255, 256);
    for (uint32_t x = 0; x < 255; ++x)
        image.set(x, 1, true); // full line
    image.set(0, 2, true);     // first pixel
    image.set(254, 3, true);   // last pixel
    for (uint32_t x = 0; x < 255; x += 2)
        image.set(x, 4, true); // alternating
    for (uint32_t x = 1; x < 254; ++x)
        image.set(x, 255, true); // all but the ends
    std::vector<uint8_t> packed;
    std::string error;
    ASSERT_TRUE(pack_picture(image, packed, error)) << error;
    const std::vector<uint8_t> start = {255, 0, 255, 0, 1, 254, 254, 1};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), packed.begin()));
    EXPECT_TRUE(
        std::equal(packed.end() - 3, packed.end(), std::vector<uint8_t>{1, 253, 1}.begin()));
    // Runs of 0 only where a line starts with a set pixel: lines 1, 2 and 4.
    EXPECT_EQ(std::count(packed.begin(), packed.end(), 0), 3);

    Bitmap back;
    ASSERT_TRUE(unpack_picture(packed, back, error)) << error;
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(RunLength, PackRefusesOtherSizes) {
    for (const auto& [width, height] : {std::pair{256u, 256u}, std::pair{255u, 255u}}) {
        std::vector<uint8_t> packed;
        std::string error;
        EXPECT_FALSE(pack_picture(picture_tool::make_bitmap(width, height), packed, error));
        EXPECT_NE(error.find("255 x 256"), std::string::npos) << error;
    }
}

TEST(RunLength, UnpackRefusesAnythingButOneWholePicture) {
    auto lines = [](size_t count, std::vector<uint8_t> tail) {
        std::vector<uint8_t> packed(count, 255);
        packed.insert(packed.end(), tail.begin(), tail.end());
        return packed;
    };
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {{}, "ends in line 0"},
        {lines(255, {}), "ends in line 255"},
        {lines(255, {100, 50}), "ends in line 255"},
        {lines(3, {200, 100}), "line 3 (byte 5) pass 255"},
        {lines(257, {}), "1 bytes follow"},
    };
    for (const auto& [packed, error_part] : cases) {
        Bitmap bitmap;
        std::string error;
        EXPECT_FALSE(unpack_picture(packed, bitmap, error)) << error_part;
        EXPECT_NE(error.find(error_part), std::string::npos) << error;
    }
}

} // namespace
