// The tabled luma transfer against the exact brightness factor: over the
// shades the demo uses and beyond, every luma lands within one level of the
// exactly rounded result and never leaves the studio range.
#include "luma_transfer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sim {
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

// The table is written out in the source; it must hold what it says.
TEST(LumaTransfer, TableHoldsTheOctaveFractions) {
    for (int i = 0; i < luma_steps_per_octave; ++i)
        ASSERT_EQ(luma_octave_fraction[i],
                  static_cast<uint32_t>(std::lround(std::exp2(31.0 - i / 1024.0))))
            << i;
}

} // namespace
} // namespace sim
