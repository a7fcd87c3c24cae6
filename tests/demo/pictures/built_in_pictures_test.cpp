// The four built-in pictures: well-formed, compact, and placed so that the
// whole halo and rim of each fits on its texture.
#include "picture_data.h"
#include "picture_decode.h"
#include "picture_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using picture_tests::coloured;
using picture_tests::decoded_table;
using picture_tests::DistTable;

struct BuiltIn {
    const char* name;
    const uint8_t* data;
    const size_t* size; // read at run time: the arrays live in other units
    uint32_t width;     // the width the demo decodes it with
};

const BuiltIn built_ins[] = {
    {"pic1", pic1, &pic1_size, 24},
    {"pic2", pic2, &pic2_size, 10},
    {"pic3", pic3, &pic3_size, 10},
    {"pic4", pic4, &pic4_size, 18},
};

class BuiltInPictureTest : public testing::TestWithParam<BuiltIn> {};

TEST_P(BuiltInPictureTest, IsOneCompactPictureWithoutEmptyRuns) {
    const std::vector<uint8_t> packed(GetParam().data, GetParam().data + *GetParam().size);
    DistTable table;
    const PictureDecode result = decode_picture(packed.data(), packed.size(), table.data());
    EXPECT_EQ(result.status, PictureStatus::ok);
    EXPECT_EQ(result.bytes_read, packed.size());
    // More than 256 empty lines, far fewer bytes than 8 KiB of bits.
    EXPECT_GT(packed.size(), 2 * picture_side);
    EXPECT_LT(packed.size(), 5000u);
    EXPECT_EQ(std::count(packed.begin(), packed.end(), 0), 0);
}

TEST_P(BuiltInPictureTest, HaloAndRimFitOnTheTexture) {
    const uint32_t width = GetParam().width;
    const DistTable table =
        decoded_table(std::vector<uint8_t>(GetParam().data, GetParam().data + *GetParam().size));
    for (uint32_t i = 0; i < picture_side; ++i) {
        for (const auto& [x, y] :
             {std::pair{i, 0u}, std::pair{i, 255u}, std::pair{0u, i}, std::pair{255u, i}}) {
            ASSERT_GE(table.key(x, y), width * 8 + 20) << x << "," << y;
        }
    }
    const auto texels = coloured(table, width, 1, 2);
    EXPECT_GT(std::count(texels.begin(), texels.end(), 2u), 500);
    EXPECT_GT(std::count(texels.begin(), texels.end(), 0x80108010u), 500);
}

INSTANTIATE_TEST_SUITE_P(Pictures, BuiltInPictureTest, testing::ValuesIn(built_ins),
                         [](const testing::TestParamInfo<BuiltIn>& param_info) {
                             return param_info.param.name;
                         });

} // namespace
