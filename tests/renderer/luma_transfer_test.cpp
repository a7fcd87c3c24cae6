// The tabled luma transfer against the exact brightness factor: over the
// shades the demo uses and beyond, every luma lands within one level of the
// exactly rounded result and never leaves the studio range.
#include "luma_transfer.h"
#include "span_sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace renderer {
namespace {

int transferred(int y, LumaTransfer t) {
    return std::min((y * t.a + t.b) >> 16, 255);
}

// The renderer passes the shade in 1/1024 octaves.
LumaTransfer transfer_for(double octaves) {
    return luma_transfer(std::lround(octaves * luma_steps_per_octave));
}

int exact(int y, double octaves) {
    const double g = std::exp2(-std::fabs(octaves));
    const double limit = octaves < 0 ? luma_min : luma_max;
    return static_cast<int>(std::floor(limit + (y - limit) * g + 0.5));
}

TEST(LumaTransfer, StaysWithinOneLevelOfTheExactFactor) {
    for (double octaves = -40.0; octaves <= 40.0; octaves += 0.0137) {
        const LumaTransfer t = transfer_for(octaves);
        for (int y = luma_min; y <= luma_max; ++y) {
            const int got = transferred(y, t);
            EXPECT_NEAR(got, exact(y, octaves), 1) << "luma " << y << " octaves " << octaves;
            ASSERT_GE(got, luma_min);
            ASSERT_LE(got, luma_max);
        }
    }
}

TEST(LumaTransfer, WholeOctavesAndNoShadeAreExact) {
    struct Case {
        double octaves;
        int y, want;
    };
    const Case cases[] = {
        {0.0, 16, 16},  {0.0, 235, 235}, {0.0, 100, 100},  {-1.0, 216, 116},
        {1.0, 35, 135}, {-2.0, 216, 66}, {-40.0, 200, 16}, {40.0, 20, 235},
    };
    for (const Case& c : cases)
        EXPECT_EQ(transferred(c.y, transfer_for(c.octaves)), c.want) << c.octaves;
}

// A span sample turns its shade into steps with a 32-bit product; at and
// beyond the shade's bounds it must give what the 64-bit product gives.
TEST(LumaTransfer, SampleShadeStepsMatchTheWideProductAtTheBounds) {
    constexpr int64_t half = int64_t{1} << 31;
    const int64_t shades[] = {half + 7,         half,      half - 1,  -half, -half - 1,
                              int64_t{1} << 40, 123456789, -987654321};
    const int32_t scales[] = {1 << 26, -(1 << 26), 1, -1, 40000, -12345};
    FacetGradients g;
    const SpanPlanes planes{{1 << 30, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (const int64_t shade : shades) {
        for (const int32_t scale : scales) {
            g.s_ref = shade;
            const int64_t bounded = std::clamp(shade, -half, half);
            const LumaTransfer want =
                luma_transfer(static_cast<int32_t>((bounded * scale + half) >> 32));
            const LumaTransfer got = sample_at<true>(g, planes, 1 << 30, 0, 0, 0, scale).shade;
            EXPECT_EQ(got.a, want.a) << shade << " x " << scale;
            EXPECT_EQ(got.b, want.b) << shade << " x " << scale;
        }
    }
}

// The table is written out in the source; it must hold what it says.
TEST(LumaTransfer, TableHoldsTheOctaveFractions) {
    for (int i = 0; i < luma_steps_per_octave; ++i)
        ASSERT_EQ(luma_octave_fraction[i],
                  static_cast<uint32_t>(std::lround(std::exp2(31.0 - i / 1024.0))))
            << i;
}

} // namespace
} // namespace renderer
