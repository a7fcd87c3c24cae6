// Distances and colour bands: what the sweeps compute around set pixels and
// how the width argument turns keys into lettering, halo, rim and background.
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

TEST(PictureKeys, EmptyPictureKeepsEveryKeyUnadoptedAndIsAllColourA) {
    const auto table = decoded_table(empty_picture());
    for (const DistEntry& e : table.entries)
        ASSERT_EQ(dist_key(e), dist_key_none);
    // 16381 is the largest width whose rim still ends below the empty key.
    for (uint32_t width = 0; width <= 16381; width += (width < 64 ? 1 : 97)) {
        for (uint32_t texel : coloured(table, width, colour_a, colour_b))
            ASSERT_EQ(texel, colour_a) << "width " << width;
    }
    for (uint32_t texel : coloured(table, 16381, colour_a, colour_b))
        ASSERT_EQ(texel, colour_a);
    // One more and the rim covers the empty key.
    EXPECT_EQ(coloured(table, 16382, colour_a, colour_b)[0], black);
}

struct PixelCase {
    uint32_t px;
    uint32_t py;
};

class SinglePixelTest : public testing::TestWithParam<PixelCase> {};

TEST_P(SinglePixelTest, KeysAreExactTriangularDistances) {
    const auto [px, py] = GetParam();
    const auto table = decoded_table(single_pixel_picture(px, py));
    for (uint32_t y = 0; y < picture_side; ++y) {
        for (uint32_t x = 0; x < picture_side; ++x) {
            const DistEntry& e = table.at(x, y);
            ASSERT_EQ(e.dx, distance(x, px)) << x << "," << y;
            ASSERT_EQ(e.dy, distance(y, py)) << x << "," << y;
            ASSERT_EQ(dist_key(e), triangle(distance(x, px)) + triangle(distance(y, py)))
                << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, SinglePixelTest,
                         testing::Values(PixelCase{0, 0}, PixelCase{254, 255}, PixelCase{100, 120},
                                         PixelCase{254, 0}, PixelCase{3, 200}));

TEST(PictureKeys, SinglePixelNeighbourhoodAndWidthTenBands) {
    const uint32_t px = 100;
    const uint32_t py = 120;
    const auto table = decoded_table(single_pixel_picture(px, py));
    EXPECT_EQ(table.key(px + 1, py), 1u);
    EXPECT_EQ(table.key(px, py - 2), 3u);
    EXPECT_EQ(table.key(px - 3, py), 6u);
    EXPECT_EQ(table.key(px + 1, py + 1), 2u);
    EXPECT_EQ(table.key(px + 3, py + 4), 16u);

    const auto texels = coloured(table, 10, colour_a, colour_b);
    for (uint32_t i = 0; i < picture_texels; ++i) {
        const uint32_t key = dist_key(table.entries[i]);
        const uint32_t expected = key < 10    ? colour_a
                                  : key < 80  ? colour_b
                                  : key < 100 ? black
                                              : colour_a;
        ASSERT_EQ(texels[i], expected) << "key " << key;
    }
}

TEST(PictureKeys, WidthZeroDrawsOnlyRimAndColourA) {
    const auto table = decoded_table(single_pixel_picture(60, 60));
    const auto texels = coloured(table, 0, colour_a, colour_b);
    for (uint32_t i = 0; i < picture_texels; ++i) {
        const uint32_t key = dist_key(table.entries[i]);
        ASSERT_EQ(texels[i], key < 20 ? black : colour_a) << "key " << key;
    }
}

struct BandCase {
    uint32_t width;
    uint32_t last_lettering; // texels away from the pixel still in colour_a
    uint32_t last_halo;
    uint32_t rim; // the single black texel along the axis
};

class BandTest : public testing::TestWithParam<BandCase> {};

TEST_P(BandTest, BandsAlongRowsAndColumns) {
    const BandCase band = GetParam();
    const uint32_t px = 120;
    const uint32_t py = 128;
    const auto texels =
        coloured(decoded_table(single_pixel_picture(px, py)), band.width, colour_a, colour_b);
    auto expected = [&](uint32_t n) {
        if (n <= band.last_lettering) return colour_a;
        if (n <= band.last_halo) return colour_b;
        if (n == band.rim) return black;
        return colour_a;
    };
    for (uint32_t n = 0; n <= 40; ++n) {
        EXPECT_EQ(texels[py * picture_side + px + n], expected(n)) << "right " << n;
        EXPECT_EQ(texels[py * picture_side + px - n], expected(n)) << "left " << n;
        EXPECT_EQ(texels[(py + n) * picture_side + px], expected(n)) << "down " << n;
        EXPECT_EQ(texels[(py - n) * picture_side + px], expected(n)) << "up " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(DemoWidths, BandTest,
                         testing::Values(BandCase{24, 6, 19, 20}, BandCase{18, 5, 16, 17},
                                         BandCase{10, 3, 12, 13}));

TEST(PictureKeys, SecondRunOfTheSweepsChangesEveryBuiltInPicture) {
    const std::vector<std::pair<const uint8_t*, size_t>> pictures = {
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
            // Set pixels keep key 0 however often the sweeps run.
            if (dist_key(once.entries[i]) == 0) {
                ASSERT_EQ(dist_key(twice.entries[i]), 0u);
            }
        }
        // Thousands for the script pictures; the blocks of pic4 are nearly
        // exact after one run, but not quite.
        EXPECT_GT(changed, 100u);
    }
}

} // namespace
