// Square root, 64-bit product, normalisation and projection.
#include "fixmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// floor(sqrt(x)) by binary search over exact integer squares, independent of
// the digit-by-digit method under test.
int32_t reference_isqrt(int64_t x) {
    int64_t low = 0;
    int64_t high = 46341; // 46341^2 exceeds every 32-bit input
    while (high - low > 1) {
        const int64_t mid = (low + high) / 2;
        if (mid * mid <= x) {
            low = mid;
        } else {
            high = mid;
        }
    }
    return static_cast<int32_t>(low);
}

TEST(FixSqrt, EdgeValues) {
    struct Case {
        int32_t x;
        int32_t root;
    };
    const Case cases[] = {
        {0, 0},
        {1, 1},
        {2, 1},
        {3, 1},
        {4, 2},
        {65535, 255},
        {65536, 256},
        {0x3fffffff, 32767},
        {0x40000000, 32768},
        {0x7fffffff, 46340},
        {46340 * 46340, 46340},
        {46340 * 46340 - 1, 46339},
        {-1, 0},
        {INT32_MIN, 0},
        {-65536, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Fix_sqrt(c.x), c.root) << "x = " << c.x;
    }
}

TEST(FixSqrt, EveryPerfectSquareBoundary) {
    for (int64_t n = 1; n <= 46340; ++n) {
        const int32_t square = static_cast<int32_t>(n * n);
        ASSERT_EQ(Fix_sqrt(square), n) << "x = " << square;
        ASSERT_EQ(Fix_sqrt(square - 1), n - 1) << "x = " << square - 1;
    }
}

TEST(FixSqrt, MatchesIntegerReferenceOverSweep) {
    // A prime stride visits every residue class of the low bits over the range.
    for (int64_t x = 0; x <= INT32_MAX; x += 4099) {
        ASSERT_EQ(Fix_sqrt(static_cast<int32_t>(x)), reference_isqrt(x)) << "x = " << x;
    }
    for (int64_t x = INT32_MAX - 5000; x <= INT32_MAX; ++x) {
        ASSERT_EQ(Fix_sqrt(static_cast<int32_t>(x)), reference_isqrt(x)) << "x = " << x;
    }
}

int64_t wrapping_product(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

TEST(FixMul64x64, KnownProducts) {
    EXPECT_EQ(Fix_mul64x64(-3, 5), -15);
    EXPECT_EQ(Fix_mul64x64(int64_t{1} << 31, 3), 6442450944);
    EXPECT_EQ(Fix_mul64x64(-(int64_t{1} << 32), -(int64_t{1} << 32)), 0);
    EXPECT_EQ(Fix_mul64x64(int64_t{1} << 31, int64_t{1} << 31), int64_t{1} << 62);
    EXPECT_EQ(Fix_mul64x64(INT64_MIN, -1), INT64_MIN);
    EXPECT_EQ(Fix_mul64x64(INT64_MAX, INT64_MAX), 1);
}

TEST(FixMul64x64, EqualsWrappingProductForAwkwardValues) {
    const int64_t values[] = {0,
                              1,
                              -1,
                              2,
                              -2,
                              0xffffffff,
                              -0xffffffffll,
                              int64_t{1} << 32,
                              -(int64_t{1} << 32),
                              int64_t{1} << 31,
                              -(int64_t{1} << 31),
                              0x7fffffff,
                              0x100000001,
                              0x123456789abcdef0,
                              -0x0fedcba987654321,
                              INT64_MAX,
                              INT64_MIN,
                              INT64_MIN + 1,
                              0x00000000deadbeef,
                              0x7fffffff00000000};
    for (int64_t a : values) {
        for (int64_t b : values) {
            EXPECT_EQ(Fix_mul64x64(a, b), wrapping_product(a, b)) << a << " * " << b;
        }
    }
    // A pseudo-random walk covers the mixed-sign, mixed-half cases.
    uint64_t state = 0x9e3779b97f4a7c15u;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const int64_t a = static_cast<int64_t>(state);
        const int64_t b = static_cast<int64_t>(state >> (i % 64));
        ASSERT_EQ(Fix_mul64x64(a, b), wrapping_product(a, b)) << a << " * " << b;
    }
}

struct NormalizeCase {
    fix16 in[3];
    fix16 out[3];
};

TEST(FixNormalize, EdgeValues) {
    const NormalizeCase cases[] = {
        // Truncated quotients, not rounded ones.
        {{196608, 262144, 0}, {39321, 52428, 0}},
        // Pre-scaled by halving first, then normalised.
        {{13107200, 0, 0}, {65536, 0, 0}},
        // Shorter than 1/256: the length is 0 and the vector stays as it is.
        {{255, 0, 0}, {255, 0, 0}},
        {{0, 0, 0}, {0, 0, 0}},
        {{147, 147, 147}, {147, 147, 147}},
        // Just long enough: length 256 (1/256), every component divided.
        {{256, 0, 0}, {65536, 0, 0}},
        {{148, 148, -148}, {37888, 37888, -37888}},
        {{-65536, 0, 0}, {-65536, 0, 0}},
        {{0, 0, -65536}, {0, 0, -65536}},
    };
    for (const NormalizeCase& c : cases) {
        fix16 v[3] = {c.in[0], c.in[1], c.in[2]};
        Fix_normalize(v);
        EXPECT_EQ(v[0], c.out[0]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(v[1], c.out[1]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(v[2], c.out[2]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
    }
}

TEST(FixNormalize, LeavesTheProductValueAlone) {
    FixVec v{196608, 262144, 0, 12345};
    Fix_normalize(&v.x);
    EXPECT_EQ(v.x, 39321);
    EXPECT_EQ(v.xy, 12345);
}

// The length keeps 8 fractional bits: a vector of 16.16 length at least 1.0
// has floor(sqrt(A)) >= 256, so the divisor may be short by a factor of up to
// 1/256 and the result long by as much; the three truncations take away less
// than two units.
void expect_near_unit(const fix16 in[3], double max_relative_excess) {
    fix16 v[3] = {in[0], in[1], in[2]};
    Fix_normalize(v);
    const double length_in =
        std::sqrt(double(in[0]) * in[0] + double(in[1]) * in[1] + double(in[2]) * in[2]);
    for (int i = 0; i < 3; ++i) {
        const double exact = in[i] / length_in * 65536.0;
        EXPECT_LE(std::fabs(v[i] - exact), std::fabs(exact) * max_relative_excess + 1.0)
            << "component " << i << " of " << in[0] << "," << in[1] << "," << in[2];
    }
    const double length_out =
        std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
    EXPECT_GE(length_out, 65536.0 - 2.0);
    EXPECT_LE(length_out, 65536.0 * (1.0 + max_relative_excess) + 2.0);
}

TEST(FixNormalize, ResultIsUnitWithinTheLengthPrecision) {
    uint32_t state = 12345;
    auto next = [&state](int32_t span) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int32_t>(state >> 8) % span - span / 2;
    };
    for (int i = 0; i < 2000; ++i) {
        // Components up to +-64.0 in every direction; skip the few shorter than 1.0.
        fix16 in[3] = {next(1 << 23), next(1 << 23), next(1 << 23)};
        const double len =
            std::sqrt(double(in[0]) * in[0] + double(in[1]) * in[1] + double(in[2]) * in[2]);
        if (len < 65536.0) {
            continue;
        }
        expect_near_unit(in, 1.0 / 255.0);
    }
}

TEST(FixNormalize, LongVectorsArePreScaledIntoRange) {
    const fix16 cases[][3] = {
        {INT32_MAX, INT32_MAX, INT32_MAX},
        {INT32_MIN, INT32_MIN, INT32_MIN},
        {INT32_MIN, 0, 0},
        {123456789, -987654321, 55555555},
        {0, 0x7ffffff0, -3},
    };
    // These are all longer than 8000.0, so the truncated length is within a
    // few parts per million.
    for (const auto& in : cases) {
        expect_near_unit(in, 1.0 / 16384.0);
    }
}

TEST(FixProj, EdgeValues) {
    struct Case {
        fix16 v[3];
        int shift;
        fix16 out[2];
    };
    const Case cases[] = {
        {{65536, 32768, -131072}, 0, {32768, 16384}},
        {{65536, 32768, -131072}, 8, {8388608, 4194304}},
        // Behind the viewer: mirrored through the centre.
        {{65536, -32768, 131072}, 0, {-32768, 16384}},
        // Quotients truncate towards zero: -1/3 gives -21845, not -21846.
        {{-65536, 65536, -196608}, 0, {-21845, 21845}},
        // The shift works on the low 32 bits of the quotient and wraps.
        {{1, -1, -65536}, 31, {INT32_MIN, INT32_MIN}},
        {{98304, 0, -65536}, 16, {INT32_MIN, 0}},
        // Only the low five bits of the shift are used.
        {{65536, 32768, -131072}, 40, {8388608, 4194304}},
        {{65536, 32768, -131072}, 32, {32768, 16384}},
        // A zero depth has no quotient; the result is the centre.
        {{65536, 32768, 0}, 0, {0, 0}},
        {{INT32_MIN, INT32_MAX, 0}, 5, {0, 0}},
    };
    for (const Case& c : cases) {
        fix16 out[2] = {111, 222};
        Fix_proj(out, c.v, c.shift);
        EXPECT_EQ(out[0], c.out[0])
            << c.v[0] << "," << c.v[1] << "," << c.v[2] << " << " << c.shift;
        EXPECT_EQ(out[1], c.out[1])
            << c.v[0] << "," << c.v[1] << "," << c.v[2] << " << " << c.shift;
    }
}

} // namespace
