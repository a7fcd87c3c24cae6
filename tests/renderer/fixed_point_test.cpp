// Cases an integer renderer meets that a floating-point one never did, each
// against a slow reference written here: exact rational arithmetic (128-bit
// on the PC) for the helpers, a pixel-by-pixel inside test for coverage and
// the exact texel for texture coordinates at the texture's wrap.
#include "fixed_point.h"
#include "test_area.h"

#include "pixel.h"
#include "span_sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace renderer::test {
namespace {

// The exact reference arithmetic; the PC compiler's 128-bit integers.
__extension__ typedef __int128 int128;

TEST(FixedPoint, ReciprocalIsWithinItsBoundForEveryMantissa) {
    // The span loop's only division: 2^32 / m for every m it can see.
    for (uint32_t m = 1u << 15; m < (1u << 16); ++m) {
        const Reciprocal r = reciprocal16(m);
        const int128 exact_scaled = (static_cast<int128>(1) << 64) / m; // 2^32/m * 2^32
        const int128 got_scaled = static_cast<int128>(r.r) << 32;
        const int128 error =
            got_scaled > exact_scaled ? got_scaled - exact_scaled : exact_scaled - got_scaled;
        // Relative error below 2^-15.
        ASSERT_LE(error * (1 << 15), exact_scaled) << m;
        ASSERT_EQ(r.shift, 0) << m;
    }
    // Values outside the mantissa range carry their exponent.
    EXPECT_EQ(reciprocal16(1).shift, -15);
    EXPECT_EQ(reciprocal16(0x7FFFFFFFu).shift, 15);
}

TEST(FixedPoint, BitLengthLadderMatchesTheCountOfLeadingZeros) {
    // The ladder is what processors without the instruction run.
    EXPECT_EQ(bit_length32_ladder(0), 0);
    for (int bit = 0; bit < 32; ++bit) {
        const uint32_t p = 1u << bit;
        for (const uint32_t x : {p, p | (p - 1), p | (p >> 1), p | 1u}) {
            ASSERT_EQ(bit_length32_ladder(x), bit + 1) << x;
            ASSERT_EQ(bit_length32_ladder(x), bit_length32(x)) << x;
        }
    }
}

TEST(FixedPoint, SpanPlaneTakesTheLeastShiftThatFitsThirtyBits) {
    // The reach (the larger end plus a subspan's step) around each power of
    // two where the shift changes, on both sides of 2^32 and of zero.
    for (int bit = 0; bit < 62; ++bit) {
        const int64_t p = int64_t{1} << bit;
        for (const int64_t end : {p - 1, p, p + 1, -p, -(p - 1)}) {
            for (const int64_t per_pixel : {int64_t{0}, int64_t{3}, -(p >> 6)}) {
                const SpanPlane plane = span_plane(end >> 1, end, per_pixel, 4);
                const int64_t step = per_pixel * 16;
                const auto reach = static_cast<uint64_t>(end < 0 ? -end : end) +
                                   static_cast<uint64_t>(step < 0 ? -step : step);
                ASSERT_LT(reach >> plane.shift, uint64_t{1} << 30) << end << " " << per_pixel;
                if (plane.shift > 0) {
                    ASSERT_GE(reach >> (plane.shift - 1), uint64_t{1} << 30) << end;
                }
                ASSERT_EQ(plane.at, static_cast<int32_t>((end >> 1) >> plane.shift)) << end;
                ASSERT_EQ(plane.step, static_cast<int32_t>(step >> plane.shift)) << end;
            }
        }
    }
}

TEST(FixedPoint, CutFractionAndPointMatchExactArithmetic) {
    struct Case {
        int64_t a, b;
    };
    std::vector<Case> cases = {{0, 1},
                               {1, 0},
                               {1, 1},
                               {1, int64_t{1} << 57},
                               {int64_t{1} << 57, 1},
                               {(int64_t{1} << 57) - 1, (int64_t{1} << 57) - 3}};
    std::mt19937_64 random(16);
    for (int i = 0; i < 2000; ++i)
        cases.push_back({static_cast<int64_t>(random() >> (7 + i % 50)),
                         static_cast<int64_t>(random() >> (7 + i % 37)) + 1});
    for (const Case& c : cases) {
        const int64_t t = cut_fraction(c.a, c.b);
        const int128 exact = (static_cast<int128>(c.a) << 30) / (c.a + c.b);
        // The shift that makes the sum fit 32 bits costs under 2^-30 * 2^30
        // / 2^31 of the fraction: at most two units.
        ASSERT_LE(exact - t, 2) << c.a << " " << c.b;
        ASSERT_GE(exact - t, -2) << c.a << " " << c.b;
        // The cut point of an edge spanning the whole camera range.
        const int64_t from = -(int64_t{1} << 39), to = (int64_t{1} << 39) - 1;
        const int128 point = from + (static_cast<int128>(to - from) * t >> 30);
        const int64_t got = lerp30(from, to, t);
        ASSERT_LE(got - point, 1);
        ASSERT_GE(got - point, -1);
    }
}

constexpr uint32_t out_address = 0x1000;
constexpr uint32_t paint_word = 0x80EB80EBu;
constexpr uint32_t background = 0x11223344u;

// Pixels of a 512 x 250 buffer covered by drawing vertices with type 0.
std::vector<bool> draw_coverage(const std::vector<Vertex>& vertices) {
    TestArea t;
    Renderer r(t.area());
    std::fill_n(t.video() + out_address, 512 * 250, background);
    run(t, r,
        join({cmd_buffer(gpu_op_set_out_buf, out_address, 9, 250),
              cmd_facet(0, paint_word, 0, vertices)}));
    EXPECT_EQ(r.error_count(), 0u);
    std::vector<bool> covered(512 * 250);
    for (size_t i = 0; i < covered.size(); ++i)
        covered[i] = t.video()[out_address + i] == paint_word;
    return covered;
}

// The slow reference: a pixel is covered when its centre lies on or right of
// the leftmost and strictly left of the rightmost crossing of its centre
// line with the polygon's edges (each edge counting for [top, bottom)),
// inside the start clip window 0..321 x 0..241. Positions are in 1/256
// pixel; every comparison is an exact integer cross-multiplication.
bool reference_covers(const std::vector<std::array<int64_t, 2>>& p, int cx, int cy) {
    if (cx >= 321 || cy >= 241) return false;
    const int64_t x = int64_t{cx} * 256 + 128, y = int64_t{cy} * 256 + 128;
    bool some_left_or_on = false, some_right = false;
    for (size_t i = 0; i < p.size(); ++i) {
        auto a = p[i], b = p[(i + 1) % p.size()];
        if (a[1] == b[1]) continue;
        if (a[1] > b[1]) std::swap(a, b);
        if (y < a[1] || y >= b[1]) continue;
        // Sign of x - crossing, times dy > 0.
        const int64_t side = (x - a[0]) * (b[1] - a[1]) - (y - a[1]) * (b[0] - a[0]);
        if (side >= 0) some_left_or_on = true;
        if (side < 0) some_right = true;
    }
    return some_left_or_on && some_right;
}

// Vertices at depth 1 whose screen positions are whole 1/256 pixels, so the
// renderer's projection is exact and the reference can be exact too.
std::vector<Vertex> exact_vertices(const std::vector<std::array<int64_t, 2>>& p) {
    std::vector<Vertex> v;
    for (const auto& q : p)
        v.push_back(at_screen(static_cast<double>(q[0]) / 256, static_cast<double>(q[1]) / 256));
    return v;
}

void expect_reference_coverage(const std::vector<std::array<int64_t, 2>>& polygon) {
    const std::vector<bool> got = draw_coverage(exact_vertices(polygon));
    int wrong = 0;
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 512; ++x)
            if (got[y * 512 + x] != reference_covers(polygon, x, y) && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " covered " << got[y * 512 + x];
    EXPECT_EQ(wrong, 0) << polygon.size() << " corners from " << polygon[0][0] << ","
                        << polygon[0][1];
}

TEST(ExactCoverage, SliversAndRandomConvexFacetsMatchThePixelByPixelReference) {
    // One pixel wide, slanted, over 30 rows; a sliver thinner than a pixel
    // that covers a centre only now and then; an almost flat one.
    expect_reference_coverage({{{100 * 256, 10 * 256},
                                {101 * 256, 10 * 256},
                                {131 * 256, 40 * 256},
                                {130 * 256, 40 * 256}}});
    expect_reference_coverage({{{50 * 256 + 7, 20 * 256 + 3},
                                {50 * 256 + 90, 20 * 256 + 3},
                                {80 * 256 + 200, 90 * 256 + 201}}});
    expect_reference_coverage({{{10 * 256, 100 * 256 + 100},
                                {300 * 256, 100 * 256 + 140},
                                {310 * 256 + 5, 100 * 256 + 170}}});
    // Random triangles anywhere in the window, corners on 1/256 pixel.
    std::mt19937 random(1616);
    std::uniform_int_distribution<int64_t> x(0, 320 * 256), y(0, 240 * 256);
    for (int i = 0; i < 40; ++i)
        expect_reference_coverage(
            {{{x(random), y(random)}, {x(random), y(random)}, {x(random), y(random)}}});
}

TEST(ExactCoverage, FacetSpanningTheWholeCoordinateRangeFillsExactlyTheWindow) {
    // Corners at the extremes of the wire's 16.16 range, near and far.
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    auto raw = [](int32_t x, int32_t y, int32_t z) {
        return Vertex{x / 65536.0, y / 65536.0, z / 65536.0};
    };
    const std::vector<std::vector<Vertex>> facets = {
        {raw(lo, lo, -65536), raw(hi, lo, -65536), raw(hi, hi, -65536), raw(lo, hi, -65536)},
        {raw(lo, lo, -16), raw(hi, lo, lo), raw(0, hi, -16)},
        {raw(lo, lo, lo), raw(hi, lo, lo), raw(hi, hi, -16), raw(lo, hi, -16)},
    };
    for (const auto& facet : facets) {
        const std::vector<bool> got = draw_coverage(facet);
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 512; ++x)
                ASSERT_EQ(got[y * 512 + x], x < 321 && y < 241) << x << "," << y;
    }
}

TEST(ExactCoverage, TextureCoordinatesWrapExactlyAtEveryTextureShape) {
    // One texel per pixel along a row, starting half a texel before the
    // wrap, on textures that wrap by mask, by stepping and by remainder.
    struct Case {
        uint32_t log2_width, height;
        double u0, v0; // at the quad's left edge; u grows one texel a pixel
    };
    const Case cases[] = {
        {4, 16, 12.5, 15.5},   // power-of-two height
        {4, 12, 12.5, 11.5},   // other height: rows step and wrap
        {4, 12, -40.5, -0.5},  // negative, several widths below zero
        {0, 40000, 0.5, -0.5}, // taller than 2^15 rows: remainder path
        {4, 16, 32740.5, 3.5}, // near the end of the 16.16 range
    };
    for (const Case& c : cases) {
        TestArea t;
        Renderer r(t.area());
        constexpr uint32_t tex = 0x100000;
        const uint32_t width = 1u << c.log2_width;
        for (uint32_t tv = 0; tv < c.height; ++tv)
            for (uint32_t tu = 0; tu < width; ++tu)
                t.video()[tex + (tv << c.log2_width) + tu] = (tv << 8) | tu;
        // v stays constant along the row (its rate is zero), u gains one
        // texel per pixel over 24 pixels.
        run(t, r,
            join({cmd_buffer(gpu_op_set_out_buf, out_address, 9, 250),
                  cmd_buffer(gpu_op_set_txt_buf, tex, c.log2_width, c.height),
                  cmd_facet(2, 0, 0,
                            screen_quad(100, 50, 124, 51, c.u0 - 0.5, c.v0, c.u0 + 23.5, c.v0))}));
        for (int x = 0; x < 24; ++x) {
            // Exact texel at the pixel centre: u = u0 + x, v = v0.
            const auto tu = static_cast<int64_t>(std::floor(c.u0 + x));
            const auto tv = static_cast<int64_t>(std::floor(c.v0));
            const uint32_t col = static_cast<uint32_t>(((tu % width) + width) % width);
            const uint32_t row = static_cast<uint32_t>(((tv % c.height) + c.height) % c.height);
            ASSERT_EQ(t.video()[out_address + 50 * 512 + 100 + x], (row << 8) | col)
                << "log2_width " << c.log2_width << " height " << c.height << " u0 " << c.u0
                << " pixel " << x;
        }
    }
}

TEST(ExactCoverage, PerspectiveTexelsStayWithinTheLinearStretchBound) {
    // A row receding in depth, about one texel a pixel, against the exact
    // perspective texel: a 32-pixel stretch is taken only where W changes by
    // at most 1/32 over it, which keeps every pixel within a quarter texel of
    // the exact one. The steeper row must take 16-pixel stretches to stay
    // within the bound (32-pixel ones would err by half a texel).
    constexpr uint32_t tex = 0x100000;
    constexpr double x_left = 32, x_right = 288, texels = 256;
    for (const double far : {19.0 / 16, 24.0 / 16}) {
        TestArea t;
        Renderer r(t.area());
        for (uint32_t tu = 0; tu < 512; ++tu)
            t.video()[tex + tu] = tu;
        auto at = [](double sx, double sy, double depth, double u) {
            return Vertex{(sx - 160) / 256 * depth, (sy - 120) / 256 * depth, -depth, u, 0, 0};
        };
        run(t, r,
            join({cmd_buffer(gpu_op_set_out_buf, out_address, 9, 250),
                  cmd_buffer(gpu_op_set_txt_buf, tex, 9, 1),
                  cmd_facet(2, 0, 0,
                            {at(x_left, 100, 1, 0), at(x_right, 100, far, texels),
                             at(x_right, 104, far, texels), at(x_left, 104, 1, 0)})}));
        ASSERT_EQ(r.error_count(), 0u);
        for (int x = 32; x < 288; ++x) {
            // 1/depth and u/depth are linear on screen.
            const double f = (x + 0.5 - x_left) / (x_right - x_left);
            const double u = f * texels / far / ((1 - f) + f / far);
            const auto drawn = static_cast<double>(t.video()[out_address + 101 * 512 + x]);
            ASSERT_GE(drawn, std::floor(u - 0.26)) << "far " << far << " pixel " << x;
            ASSERT_LE(drawn, std::floor(u + 0.26)) << "far " << far << " pixel " << x;
        }
    }
}

} // namespace
} // namespace renderer::test
