// The cosine table and the sine and cosine lookups.
#include "fixmath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

class FixTrig : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { Fix_trig_init(); }
};

TEST_F(FixTrig, TableEntries) {
    struct Entry {
        int index;
        fix16 value;
    };
    const Entry entries[] = {
        {0, 65536},      {1, 65535}, {4096, 60547},  {8192, 46340},  {16383, 5}, {16384, -1},
        {32768, -65536}, {49152, 1}, {65535, 65535}, {65536, 65535}, {81919, 4},
    };
    const fix16* table = Fix_table();
    for (const Entry& e : entries) {
        EXPECT_EQ(table[e.index], e.value) << "entry " << e.index;
    }
}

TEST_F(FixTrig, TableStaysWithinThreeUnitsOfTheCosine) {
    const double pi = std::acos(-1.0);
    const fix16* table = Fix_table();
    double worst = 0.0;
    for (int n = 0; n < fix_table_size; ++n) {
        const double exact = 65536.0 * std::cos(2.0 * pi * n / 65536.0);
        worst = std::fmax(worst, std::fabs(table[n] - exact));
    }
    EXPECT_LT(worst, 3.0);
    // The recurrence drifts: the table is not just a rounded cosine.
    EXPECT_GT(worst, 1.0);
}

TEST_F(FixTrig, RebuildingWritesTheSameTable) {
    const std::vector<fix16> before(Fix_table(), Fix_table() + fix_table_size);
    Fix_trig_init();
    const std::vector<fix16> after(Fix_table(), Fix_table() + fix_table_size);
    EXPECT_EQ(before, after);
}

TEST_F(FixTrig, SineAndCosineValues) {
    struct Case {
        int32_t angle;
        fix16 cos;
        fix16 sin; // the entry a quarter turn ahead: -sin(theta)
    };
    const Case cases[] = {
        {0, 65536, -1},
        {8192, 46340, -46341},
        {16384, -1, -65536},
        {32768, -65536, 1},
        {49152, 1, 65535},
        {65535, 65535, 4},
        // Only the low 16 bits of the angle count.
        {65536 + 16384, -1, -65536},
        {-16384, 1, 65535},
        {-1, 65535, 4},
        {INT32_MIN, 65536, -1},
        {INT32_MAX, 65535, 4},
        {0x12340000 + 32768, -65536, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Fix_cos(c.angle), c.cos) << "angle " << c.angle;
        EXPECT_EQ(Fix_sin(c.angle), c.sin) << "angle " << c.angle;
    }
}

} // namespace
