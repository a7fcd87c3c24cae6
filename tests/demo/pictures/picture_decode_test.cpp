// The length-checked decoder: runs into set entries, bad lines and short
// data reported without writing where they must not.
#include "picture_decode.h"
#include "picture_test_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using picture_tests::DistTable;
using picture_tests::empty_picture;

constexpr uint16_t untouched = 0xFFFF;

bool is_set(const DistEntry& e) {
    return e.cost_x == 0 && e.cost_y == 0 && e.dx == 0 && e.dy == 0;
}

bool is_untouched(const DistEntry& e) {
    return e.cost_x == untouched && e.cost_y == untouched && e.dx == untouched && e.dy == untouched;
}

struct LineCase {
    const char* name;
    std::vector<uint8_t> runs;
    uint32_t first_set; // set pixels are [first_set, end_set)
    uint32_t end_set;
};

class LineDecodeTest : public testing::TestWithParam<LineCase> {};

TEST_P(LineDecodeTest, SetsExactlyTheSetRun) {
    const LineCase& c = GetParam();
    DistTable table;
    const LineDecode result = decode_picture_line(c.runs.data(), c.runs.size(), table.data());
    ASSERT_EQ(result.status, LineStatus::complete);
    EXPECT_EQ(result.bytes_read, c.runs.size());
    for (uint32_t x = 0; x < picture_side; ++x) {
        const bool expect_set = x >= c.first_set && x < c.end_set;
        EXPECT_EQ(is_set(table.at(x, 0)), expect_set) << "column " << x;
        if (!expect_set) {
            EXPECT_TRUE(is_untouched(table.at(x, 0))) << "column " << x;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineDecodeTest,
    testing::Values(LineCase{"Empty", {255}, 0, 0}, LineCase{"Full", {0, 255}, 0, 255},
                    LineCase{"ZeroSetRunIsEmpty", {100, 0, 155}, 0, 0},
                    LineCase{"FirstPixel", {0, 1, 254}, 0, 1},
                    LineCase{"LastPixel", {254, 1}, 254, 255},
                    LineCase{"ZeroClearRunJoinsSetRuns", {10, 5, 0, 5, 235}, 10, 20},
                    LineCase{"Middle", {100, 55, 100}, 100, 155}),
    [](const testing::TestParamInfo<LineCase>& param_info) { return param_info.param.name; });

TEST(LineDecode, RunPassingTheEndFailsBeforeWritingIntoTheNextLine) {
    // 200 + 100 passes 255: the set run must not reach line 1.
    const std::vector<uint8_t> runs = {200, 100, 255};
    DistTable table;
    const LineDecode result = decode_picture_line(runs.data(), runs.size(), table.data());
    EXPECT_EQ(result.status, LineStatus::overflow);
    EXPECT_EQ(result.bytes_read, 2u);
    for (uint32_t x = 0; x < picture_side; ++x) {
        EXPECT_TRUE(is_untouched(table.at(x, 0))) << "column " << x;
        EXPECT_TRUE(is_untouched(table.at(x, 1))) << "column " << x;
    }
}

TEST(LineDecode, ClearRunPassingTheEndIsAnOverflowToo) {
    const std::vector<uint8_t> runs = {10, 20, 226};
    DistTable table;
    EXPECT_EQ(decode_picture_line(runs.data(), runs.size(), table.data()).status,
              LineStatus::overflow);
}

TEST(LineDecode, StopsAtTheAvailableLength) {
    // The byte after the available ones would complete the line; it must not
    // be read.
    const std::vector<uint8_t> runs = {100, 50, 105};
    DistTable table;
    const LineDecode result = decode_picture_line(runs.data(), 2, table.data());
    EXPECT_EQ(result.status, LineStatus::truncated);
    EXPECT_EQ(result.bytes_read, 2u);
}

TEST(PictureDecode, ReportsTheLineAndBytesOfAnOverflow) {
    std::vector<uint8_t> packed = empty_picture();
    packed[7] = 200;
    packed.insert(packed.begin() + 8, 100);
    DistTable table;
    const PictureDecode result = decode_picture(packed.data(), packed.size(), table.data());
    EXPECT_EQ(result.status, PictureStatus::line_overflow);
    EXPECT_EQ(result.line, 7u);
    EXPECT_EQ(result.bytes_read, 9u);
    for (uint32_t x = 0; x < picture_side; ++x)
        EXPECT_TRUE(is_untouched(table.at(x, 8)));
}

TEST(PictureDecode, TruncatedDataIsAnErrorAtEveryLength) {
    std::vector<uint8_t> packed = empty_picture();
    packed[255] = 0;
    packed.push_back(255); // the last line: fully set
    for (size_t length = 0; length < packed.size(); ++length) {
        DistTable table;
        // A copy of exactly `length` bytes, so that a read beyond shows up
        // under the address sanitizer.
        const std::vector<uint8_t> prefix(packed.begin(), packed.begin() + length);
        const PictureDecode result = decode_picture(prefix.data(), prefix.size(), table.data());
        EXPECT_EQ(result.status, PictureStatus::truncated) << "length " << length;
        EXPECT_EQ(result.bytes_read, length);
        EXPECT_EQ(result.line, std::min<size_t>(length, 255));
    }
}

TEST(PictureDecode, LeavesBytesAfterTheLastLineUnread) {
    std::vector<uint8_t> packed = empty_picture();
    packed.push_back(255);
    DistTable table;
    const PictureDecode result = decode_picture(packed.data(), packed.size(), table.data());
    EXPECT_EQ(result.status, PictureStatus::ok);
    EXPECT_EQ(result.bytes_read, picture_side);
}

TEST(PictureDecode, ColumnTwoFiftyFiveIsNeverSetButReceivesKeys) {
    // Every line fully set: the decoder covers columns 0 to 254 only.
    const std::vector<uint8_t> full_lines = [] {
        std::vector<uint8_t> packed;
        for (uint32_t y = 0; y < picture_side; ++y)
            packed.insert(packed.end(), {0, 255});
        return packed;
    }();
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
        EXPECT_EQ(e.dx, 1);
        EXPECT_EQ(e.cost_x, 1);
        EXPECT_EQ(e.dy, 0);
        EXPECT_EQ(e.cost_y, 0);
    }
}

} // namespace
