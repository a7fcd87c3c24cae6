// The two matrix-vector products and their round trip.
#include "fixmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

fix16 product(fix16 a, fix16 b) {
    return static_cast<fix16>((static_cast<int64_t>(a) * b) >> 16);
}

FixVec make_vec(fix16 x, fix16 y, fix16 z) {
    return FixVec{x, y, z, product(x, y)};
}

void fill_prod(FixMat& m) {
    for (int k = 0; k < 3; ++k) {
        m.prod[k] = product(m.rot[k], m.rot[3 + k]);
    }
}

FixMat identity() {
    FixMat m{};
    m.rot[0] = m.rot[4] = m.rot[8] = 65536;
    return m;
}

// A rotation about z by a followed by one about x by b, rounded from the
// exact values so it is orthonormal to within half a unit per element.
FixMat rotation(double a, double b) {
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const double r[9] = {ca, -sa * cb, sa * sb, sa, ca * cb, -ca * sb, 0.0, sb, cb};
    FixMat m{};
    for (int i = 0; i < 9; ++i) {
        m.rot[i] = static_cast<fix16>(std::lround(r[i] * 65536.0));
    }
    fill_prod(m);
    return m;
}

void expect_vec(const fix16* got, fix16 x, fix16 y, fix16 z) {
    EXPECT_EQ(got[0], x);
    EXPECT_EQ(got[1], y);
    EXPECT_EQ(got[2], z);
}

TEST(FixMatXVec, IdentityReturnsTheVectorExactly) {
    const FixMat m = identity();
    const fix16 points[][3] = {
        {131072, -131072, 131072},
        {0, 0, 0},
        {-1, -1, -1},
        {12345678, -87654, 3},
        {-65536, 65536, 7},
        {0x40000000, 0x3fffffff, INT32_MIN},
        // y + rot(0, 0) leaves the 32-bit range; that sum is formed in 64 bits.
        {5, 0x7fff8000, 9},
    };
    for (const auto& p : points) {
        const FixVec v = make_vec(p[0], p[1], p[2]);
        fix16 out[3];
        FixMat_x_Vec(out, &m, &v, 0);
        expect_vec(out, p[0], p[1], p[2]);
    }
}

TEST(FixMatXVec, SecondSumWrapsInThirtyTwoBits) {
    // rot(1, 1) + x wraps, which takes y << 16 off the second component:
    // (y (x + 2^16 - 2^32)) >> 16 - xy = y - (y << 16) modulo 2^32.
    const FixMat m = identity();
    const FixVec v = make_vec(0x7fff8000, 5, 9);
    fix16 out[3];
    FixMat_x_Vec(out, &m, &v, 0);
    expect_vec(out, 0x7fff8000, 5 - (5 << 16), 9);
}

TEST(FixMatXVec, ColumnsAreTheOutputAxes) {
    FixMat m{};
    for (int i = 0; i < 9; ++i) {
        m.rot[i] = (i + 1) * 65536;
    }
    fill_prod(m);
    const FixVec unit_x = make_vec(65536, 0, 0);
    const FixVec unit_z = make_vec(0, 0, 65536);
    fix16 out[3];
    FixMat_x_Vec(out, &m, &unit_x, 0);
    expect_vec(out, 1 * 65536, 2 * 65536, 3 * 65536);
    FixMat_x_Vec(out, &m, &unit_z, 0);
    expect_vec(out, 7 * 65536, 8 * 65536, 9 * 65536);
}

TEST(FixMatXVec, TranslationFollowsTheLowByteOfTheFlag) {
    FixMat m = identity();
    m.trans[0] = 65536;
    m.trans[2] = -262144;
    const FixVec corner{131072, -131072, 131072, -262144};
    struct Case {
        int translate;
        bool on;
    };
    const Case cases[] = {{1, true}, {0xff, true}, {-1, true}, {0, false}, {0x100, false}};
    for (const Case& c : cases) {
        fix16 out[3];
        FixMat_x_Vec(out, &m, &corner, c.translate);
        if (c.on) {
            expect_vec(out, 196608, -131072, -131072);
        } else {
            expect_vec(out, 131072, -131072, 131072);
        }
    }
}

TEST(FixMatXVec, StaleProductValuesShiftTheOutput) {
    FixMat m = rotation(0.7, -1.9);
    FixVec v = make_vec(300000, -450000, 120000);
    fix16 good[3];
    FixMat_x_Vec(good, &m, &v, 0);

    v.xy += 1000; // a stale xy moves every component
    fix16 out[3];
    FixMat_x_Vec(out, &m, &v, 0);
    expect_vec(out, good[0] - 1000, good[1] - 1000, good[2] - 1000);

    v.xy -= 1000;
    m.prod[1] -= 77; // a stale prod[k] moves component k only
    FixMat_x_Vec(out, &m, &v, 0);
    expect_vec(out, good[0], good[1] + 77, good[2]);
}

TEST(FixMatXVec, StaysCloseToThePlainDotProduct) {
    const FixMat m = rotation(2.1, 0.4);
    uint32_t state = 777;
    for (int i = 0; i < 1000; ++i) {
        fix16 p[3];
        for (fix16& c : p) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<fix16>(state >> 8) - (1 << 23);
        }
        const FixVec v = make_vec(p[0], p[1], p[2]);
        fix16 out[3];
        FixMat_x_Vec(out, &m, &v, 0);
        for (int k = 0; k < 3; ++k) {
            const int64_t plain = (int64_t{m.rot[k]} * p[0] + int64_t{m.rot[3 + k]} * p[1] +
                                   int64_t{m.rot[6 + k]} * p[2]) >>
                                  16;
            ASSERT_LE(std::llabs(out[k] - plain), 3) << "point " << i << " component " << k;
        }
    }
}

// The specified steps with exact 128-bit intermediates, against which the
// library's wrapping 64-bit product is checked at the extremes.
__extension__ typedef __int128 exact128;

fix16 reference_component(const FixMat& m, const FixVec& v, int k) {
    const exact128 first = static_cast<exact128>(m.rot[k]) + v.y;
    const int32_t second =
        static_cast<int32_t>(static_cast<uint32_t>(m.rot[3 + k]) + static_cast<uint32_t>(v.x));
    const uint32_t pair = static_cast<uint32_t>(static_cast<int64_t>((first * second) >> 16));
    const uint32_t third = static_cast<uint32_t>(product(m.rot[6 + k], v.z));
    return static_cast<fix16>(pair + third - static_cast<uint32_t>(m.prod[k]) -
                              static_cast<uint32_t>(v.xy));
}

TEST(FixMatXVec, ExtremeValuesMatchExactArithmetic) {
    const fix16 extremes[] = {INT32_MIN, INT32_MIN + 1, -0x40000000, -65536,   -1, 0,
                              1,         65536,         0x40000000,  INT32_MAX};
    for (fix16 a : extremes) {
        for (fix16 b : extremes) {
            for (fix16 c : extremes) {
                FixMat m{};
                m.rot[0] = a;
                m.rot[3] = b;
                m.rot[6] = c;
                fill_prod(m);
                // (a + y) can reach -2^32 and (b + x) -2^31: a product of 2^63.
                const FixVec v = make_vec(b, a, c);
                fix16 out[3];
                FixMat_x_Vec(out, &m, &v, 0);
                ASSERT_EQ(out[0], reference_component(m, v, 0)) << a << " " << b << " " << c;
            }
        }
    }
}

TEST(FixMatXVec, MayWriteIntoTheMatrixTranslationWhenNotTranslating) {
    FixMat m = rotation(1.0, 2.0);
    m.trans[0] = 11;
    m.trans[1] = 22;
    m.trans[2] = 33;
    const FixVec v = make_vec(-200000, 50000, 400000);
    fix16 separate[3];
    FixMat_x_Vec(separate, &m, &v, 0);
    FixMat_x_Vec(m.trans, &m, &v, 0);
    expect_vec(m.trans, separate[0], separate[1], separate[2]);
}

TEST(FixMatTXVec, IdentitySubtractsTheTranslation) {
    FixMat m = identity();
    m.trans[0] = 65536;
    m.trans[1] = -3;
    m.trans[2] = -262144;
    const fix16 v[3] = {131072, -131072, 131072};
    fix16 out[3];
    FixMatT_x_Vec(out, &m, v, 1);
    expect_vec(out, 131072 - 65536, -131072 + 3, 131072 + 262144);
    FixMatT_x_Vec(out, &m, v, 0x100);
    expect_vec(out, 131072, -131072, 131072);
}

TEST(FixMatTXVec, RowsAreApplied) {
    FixMat m{};
    for (int i = 0; i < 9; ++i) {
        m.rot[i] = (i + 1) * 65536;
    }
    const fix16 unit_x[3] = {65536, 0, 0};
    fix16 out[3];
    FixMatT_x_Vec(out, &m, unit_x, 0);
    expect_vec(out, 1 * 65536, 4 * 65536, 7 * 65536);
}

TEST(FixMatTXVec, UndoesFixMatXVecForARotation) {
    const double angles[][2] = {{0.0, 0.0}, {0.3, 1.2}, {-2.5, 0.9}, {3.0, -3.0}};
    const fix16 points[][3] = {
        {131072, -131072, 131072}, {0, 0, 0}, {-120000, 90000, 777}, {65536, 65536, -65536}};
    for (const auto& a : angles) {
        FixMat m = rotation(a[0], a[1]);
        m.trans[0] = 65536;
        m.trans[1] = -25000;
        m.trans[2] = 42;
        for (const auto& p : points) {
            const FixVec v = make_vec(p[0], p[1], p[2]);
            fix16 view[3];
            FixMat_x_Vec(view, &m, &v, 1);
            fix16 back[3];
            FixMatT_x_Vec(back, &m, view, 1);
            for (int i = 0; i < 3; ++i) {
                EXPECT_LE(std::abs(back[i] - p[i]), 8)
                    << "angles " << a[0] << "," << a[1] << " component " << i;
            }
        }
    }
}

} // namespace
