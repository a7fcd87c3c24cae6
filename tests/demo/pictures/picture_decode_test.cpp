// The length-checked decoder: runs into set entries, bad lines and short
// data reported without writing or reading where they must not.
#include "picture_decode.h"
#include "picture_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using picture_tests::DistTable;
using picture_tests::empty_picture;

bool is_set(const DistEntry& e) {
    return e.cost_x == 0 && e.cost_y == 0 && e.dx == 0 && e.dy == 0;
}

bool is_untouched(const DistEntry& e) {
    return e.cost_x == 0xFFFF && e.cost_y == 0xFFFF && e.dx == 0xFFFF && e.dy == 0xFFFF;
}

struct LineCase {
    const char* name;
    std::vector<uint8_t> runs;
    uint32_t first_set; // set pixels are [first_set, end_set)
    uint32_t end_set;
};

class LineDecodeTest : public testing::TestWithParam<LineCase> {};

TEST_P(LineDecodeTest, SetsExactlyTheSetRuns) {
    const LineCase& c = GetParam();
    DistTable table;
    const LineDecode result = decode_picture_line(c.runs.data(), c.runs.size(), table.data());
    ASSERT_EQ(result.status, LineStatus::complete);
    EXPECT_EQ(result.bytes_read, c.runs.size());
    for (uint32_t x = 0; x < picture_side; ++x) {
        const bool inside = x >= c.first_set && x < c.end_set;
        EXPECT_TRUE(inside ? is_set(table.at(x, 0)) : is_untouched(table.at(x, 0))) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineDecodeTest,
    testing::Values(LineCase{"Empty", {255}, 0, 0}, LineCase{"Full", {0, 255}, 0, 255},
                    LineCase{"ZeroSetRunIsEmpty", {100, 0, 155}, 0, 0},
                    LineCase{"FirstPixel", {0, 1, 254}, 0, 1},
                    LineCase{"LastPixel", {254, 1}, 254, 255},
                    LineCase{"ZeroClearRunJoinsSetRuns", {10, 5, 0, 5, 235}, 10, 20}),
    [](const testing::TestParamInfo<LineCase>& param_info) { return param_info.param.name; });

TEST(PictureDecode, LineWhoseRunsPass255FailsWithoutTouchingTheNextLine) {
    // Line 7 is coded 200, 100: its set run would run into line 8.
    std::vector<uint8_t> packed = empty_picture();
    packed[7] = 200;
    packed.insert(packed.begin() + 8, 100);
    DistTable table;
    const PictureDecode result = decode_picture(packed.data(), packed.size(), table.data());
    EXPECT_EQ(result.status, PictureStatus::line_overflow);
    EXPECT_EQ(result.line, 7u);
    EXPECT_EQ(result.bytes_read, 9u);
    EXPECT_TRUE(std::all_of(table.entries.begin(), table.entries.end(), is_untouched));
}

TEST(PictureDecode, TruncatedDataIsAnErrorAtEveryLength) {
    std::vector<uint8_t> packed = empty_picture();
    packed.back() = 0; // the last line fully set: 0, 255
    packed.push_back(255);
    for (size_t length = 0; length < packed.size(); ++length) {
        // A copy of exactly `length` bytes, so that the address sanitizer
        // sees any read beyond them.
        const std::vector<uint8_t> prefix(packed.begin(), packed.begin() + length);
        DistTable table;
        const PictureDecode result = decode_picture(prefix.data(), prefix.size(), table.data());
        EXPECT_EQ(result.status, PictureStatus::truncated) << length;
        EXPECT_EQ(result.bytes_read, length);
        EXPECT_EQ(result.line, std::min<size_t>(length, 255));
    }
    DistTable table;
    EXPECT_EQ(decode_picture(packed.data(), packed.size(), table.data()).status, PictureStatus::ok);
}

TEST(PictureDecode, ColumnTwoFiftyFiveIsNeverSetButReceivesKeys) {
    std::vector<uint8_t> full_lines;
    for (uint32_t y = 0; y < picture_side; ++y)
        full_lines.insert(full_lines.end(), {0, 255});
    DistTable table;
    ASSERT_EQ(decode_picture(full_lines.data(), full_lines.size(), table.data()).status,
              PictureStatus::ok);
    for (uint32_t y = 0; y < picture_side; ++y) {
        EXPECT_TRUE(is_set(table.at(254, y)));
        EXPECT_TRUE(is_untouched(table.at(255, y)));
    }
    run_dist_sweeps(table.data());
    for (uint32_t y = 0; y < picture_side; ++y) {
        const DistEntry& e = table.at(255, y);
        EXPECT_TRUE(e.dx == 1 && e.cost_x == 1 && e.dy == 0 && e.cost_y == 0) << y;
    }
}

} // namespace
