// Distances and colour bands: what the sweeps compute around set pixels and
// how the width turns keys into lettering, halo, rim and background.
#include "picture_data.h"
#include "picture_decode.h"
#include "picture_test_helpers.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using picture_tests::coloured;
using picture_tests::decoded_table;
using picture_tests::DistTable;
using picture_tests::empty_picture;
using picture_tests::single_pixel_picture;
using picture_tests::triangle;

constexpr uint32_t colour_a = 0x81a977a9;
constexpr uint32_t colour_b = 0x67899d89;
constexpr uint32_t black = 0x80108010;

uint32_t distance(uint32_t a, uint32_t b) {
    return a > b ? a - b : b - a;
}

TEST(PictureKeys, EmptyPictureIsAllColourAUpToWidth16381) {
    const DistTable table = decoded_table(empty_picture());
    for (const DistEntry& e : table.entries)
        ASSERT_EQ(dist_key(e), dist_key_none);
    for (uint32_t width = 0; width <= 16381; width += (width < 64 ? 1 : 97)) {
        for (uint32_t texel : coloured(table, width, colour_a, colour_b))
            ASSERT_EQ(texel, colour_a) << "width " << width;
    }
    for (uint32_t texel : coloured(table, 16381, colour_a, colour_b))
        ASSERT_EQ(texel, colour_a);
    // One more and the rim reaches the key of an empty entry.
    EXPECT_EQ(coloured(table, 16382, colour_a, colour_b)[0], black);
}

class SinglePixelTest : public testing::TestWithParam<std::pair<uint32_t, uint32_t>> {};

TEST_P(SinglePixelTest, KeysAreExactTriangularDistances) {
    const auto [px, py] = GetParam();
    const DistTable table = decoded_table(single_pixel_picture(px, py));
    for (uint32_t y = 0; y < picture_side; ++y) {
        for (uint32_t x = 0; x < picture_side; ++x) {
            const DistEntry& e = table.at(x, y);
            ASSERT_EQ(e.dx, distance(x, px)) << x << "," << y;
            ASSERT_EQ(e.dy, distance(y, py)) << x << "," << y;
            ASSERT_EQ(dist_key(e), triangle(distance(x, px)) + triangle(distance(y, py)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, SinglePixelTest,
                         testing::Values(std::pair{0u, 0u}, std::pair{254u, 255u},
                                         std::pair{100u, 120u}, std::pair{254u, 0u}));

// Width 10 and width 0 over every key a single pixel produces.
TEST(PictureKeys, KeysSelectTheBandsOfTheWidth) {
    const DistTable table = decoded_table(single_pixel_picture(60, 90));
    const auto width_ten = coloured(table, 10, colour_a, colour_b);
    const auto width_zero = coloured(table, 0, colour_a, colour_b);
    for (uint32_t i = 0; i < picture_texels; ++i) {
        const uint32_t key = dist_key(table.entries[i]);
        const uint32_t ten = key < 10    ? colour_a
                             : key < 80  ? colour_b
                             : key < 100 ? black
                                         : colour_a;
        ASSERT_EQ(width_ten[i], ten) << "key " << key;
        ASSERT_EQ(width_zero[i], key < 20 ? black : colour_a) << "key " << key;
    }
}

struct BandCase {
    uint32_t width;
    uint32_t last_lettering; // texels from the pixel, along a row or column
    uint32_t last_halo;
    uint32_t rim;
};

class BandTest : public testing::TestWithParam<BandCase> {};

TEST_P(BandTest, BandsAlongRowsAndColumns) {
    const BandCase band = GetParam();
    const uint32_t px = 120;
    const uint32_t py = 128;
    const auto texels =
        coloured(decoded_table(single_pixel_picture(px, py)), band.width, colour_a, colour_b);
    for (uint32_t n = 0; n <= 40; ++n) {
        const uint32_t expected = n <= band.last_lettering ? colour_a
                                  : n <= band.last_halo    ? colour_b
                                  : n == band.rim          ? black
                                                           : colour_a;
        EXPECT_EQ(texels[py * picture_side + px + n], expected) << "right " << n;
        EXPECT_EQ(texels[py * picture_side + px - n], expected) << "left " << n;
        EXPECT_EQ(texels[(py + n) * picture_side + px], expected) << "down " << n;
        EXPECT_EQ(texels[(py - n) * picture_side + px], expected) << "up " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(DemoWidths, BandTest,
                         testing::Values(BandCase{24, 6, 19, 20}, BandCase{18, 5, 16, 17},
                                         BandCase{10, 3, 12, 13}));

TEST(PictureKeys, SecondRunOfTheSweepsChangesEveryBuiltInPicture) {
    const std::pair<const uint8_t*, size_t> pictures[] = {
        {pic1, pic1_size}, {pic2, pic2_size}, {pic3, pic3_size}, {pic4, pic4_size}};
    for (const auto& [picture, size] : pictures) {
        DistTable once;
        ASSERT_EQ(decode_picture(picture, size, once.data()).status, PictureStatus::ok);
        run_dist_sweeps(once.data());
        DistTable twice = once;
        run_dist_sweeps(twice.data());
        size_t changed = 0;
        for (uint32_t i = 0; i < picture_texels; ++i) {
            changed += dist_key(once.entries[i]) != dist_key(twice.entries[i]);
            if (dist_key(once.entries[i]) == 0) {
                ASSERT_EQ(dist_key(twice.entries[i]), 0u);
            }
        }
        // Thousands for the script pictures; the blocks of pic4 come out
        // nearly exact from one run, but not quite.
        EXPECT_GT(changed, 100u);
    }
}

} // namespace
