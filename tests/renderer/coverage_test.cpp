// Which pixels a facet covers: the fill rule, the clip window, the near
// plane and the clip planes.
#include "test_area.h"

#include "pixel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace renderer::test {
namespace {

constexpr uint32_t paint = 0x80EB80EBu; // white
constexpr uint32_t background = 0x11223344u;
constexpr uint32_t guard = 0xDEADBEEFu;

class Coverage : public ::testing::Test {
  protected:
    // Selects a 2^log2_width x height output buffer at out_address, filled
    // with the background, with guard words on both sides.
    void select_out(uint32_t log2_width, uint32_t height) {
        width_ = 1u << log2_width;
        height_ = height;
        std::fill_n(t_.video() + out_address - guard_words, guard_words, guard);
        std::fill_n(t_.video() + out_address, width_ * height_, background);
        std::fill_n(t_.video() + out_address + width_ * height_, guard_words, guard);
        run(t_, r_, cmd_buffer(gpu_op_set_out_buf, out_address, log2_width, height));
    }
    uint32_t px(uint32_t x, uint32_t y) { return t_.video()[out_address + y * width_ + x]; }
    void clear_buffer() { std::fill_n(t_.video() + out_address, width_ * height_, background); }

    // Rows of '#' (painted) and '.' (background) for readable failures.
    std::vector<std::string> picture() {
        std::vector<std::string> rows;
        for (uint32_t y = 0; y < height_; ++y) {
            std::string row;
            for (uint32_t x = 0; x < width_; ++x)
                row += px(x, y) == background ? '.' : '#';
            rows.push_back(row);
        }
        return rows;
    }
    std::vector<std::string> expected_rect(int x0, int y0, int x1, int y1) {
        std::vector<std::string> rows;
        for (int y = 0; y < static_cast<int>(height_); ++y) {
            std::string row;
            for (int x = 0; x < static_cast<int>(width_); ++x) {
                row += x >= x0 && x < x1 && y >= y0 && y < y1 ? '#' : '.';
            }
            rows.push_back(row);
        }
        return rows;
    }
    void expect_guards_intact() {
        const uint32_t* v = t_.video();
        for (uint32_t i = 0; i < guard_words; ++i) {
            ASSERT_EQ(v[out_address - guard_words + i], guard) << "before buffer, word " << i;
            ASSERT_EQ(v[out_address + width_ * height_ + i], guard) << "after buffer, word " << i;
        }
    }

    static constexpr uint32_t out_address = 0x20000;
    static constexpr uint32_t guard_words = 1024;
    TestArea t_;
    Renderer r_{t_.area()};
    uint32_t width_ = 0, height_ = 0;
};

struct RectCase {
    double x0, y0, x1, y1;
    int px0, py0, px1, py1; // covered pixels [px0, px1) x [py0, py1)
};

TEST_F(Coverage, QuadCoversPixelsWhoseCentresLieInsideWhicheverTheWinding) {
    const RectCase cases[] = {
        {10, 5, 30, 20, 10, 5, 30, 20},         // edges between pixel centres
        {10.5, 5.5, 30.5, 20.5, 10, 5, 30, 20}, // edges through centres: top-left in
        {10.6, 5.4, 30.4, 20.6, 11, 5, 30, 21},
        {3.6, 7.7, 4.4, 12, 0, 0, 0, 0},    // too thin to reach a centre
        {-20, -20, 100, 100, 0, 0, 64, 48}, // beyond the buffer on every side
    };
    select_out(6, 48);
    for (const RectCase& c : cases) {
        for (bool reversed : {false, true}) {
            clear_buffer();
            std::vector<Vertex> quad = screen_quad(c.x0, c.y0, c.x1, c.y1);
            if (reversed) std::reverse(quad.begin(), quad.end());
            run(t_, r_, cmd_facet(0, paint, 0, quad));
            EXPECT_EQ(picture(), expected_rect(c.px0, c.py0, c.px1, c.py1))
                << "rect " << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1
                << (reversed ? " reversed" : "");
        }
    }
    expect_guards_intact();
    EXPECT_EQ(r_.error_count(), 0u);
}

TEST_F(Coverage, FacetsSharingEdgesNeitherOverlapNorLeaveGaps) {
    select_out(6, 48);
    // An irregular convex polygon cut into a fan of triangles around an
    // inside point; every other triangle is wound the other way.
    const Vertex centre = at_screen(30.37, 21.71);
    std::vector<Vertex> rim;
    for (int i = 0; i < 9; ++i) {
        const double a = i * 2 * M_PI / 9 + 0.3;
        rim.push_back(
            at_screen(30.37 + (22.3 + i % 3) * std::cos(a), 21.71 + (17.9 - i % 2) * std::sin(a)));
    }
    std::vector<int> hits(64 * 48, 0);
    for (size_t i = 0; i < rim.size(); ++i) {
        std::vector<Vertex> tri = {centre, rim[i], rim[(i + 1) % rim.size()]};
        if (i % 2) std::reverse(tri.begin(), tri.end());
        clear_buffer();
        run(t_, r_, cmd_facet(0, paint, 0, tri));
        for (uint32_t y = 0; y < 48; ++y) {
            for (uint32_t x = 0; x < 64; ++x)
                hits[y * 64 + x] += px(x, y) == paint;
        }
    }
    clear_buffer();
    run(t_, r_, cmd_facet(0, paint, 0, rim));
    int covered = 0;
    for (uint32_t y = 0; y < 48; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            const int whole = px(x, y) == paint;
            covered += whole;
            ASSERT_EQ(hits[y * 64 + x], whole) << "pixel " << x << "," << y;
        }
    }
    EXPECT_GT(covered, 1000);
}

TEST_F(Coverage, DefaultViewShowsTwoAndAHalfUnitsAcrossAtDepthTwo) {
    select_out(9, 250);
    run(t_, r_,
        cmd_facet(
            0, paint, 0,
            {{-1.25, -0.9375, -2}, {1.25, -0.9375, -2}, {1.25, 0.9375, -2}, {-1.25, 0.9375, -2}}));
    EXPECT_EQ(picture(), expected_rect(0, 0, 320, 240));
}

TEST_F(Coverage, DemoClearQuadFillsTheClipWindowWithoutOverflow) {
    // The clear command exactly as the demo sends it: 10 units out at
    // z = -257 / 65536, projecting far beyond the screen.
    Words clear = {gpu_op_facet, 4, black_pixel, 0, 0};
    const int32_t corners[4][2] = {
        {-655360, -655360}, {655360, -655360}, {655360, 655360}, {-655360, 655360}};
    for (const auto& c : corners) {
        for (int32_t w : {c[0], c[1], -257, 0, 0, 0})
            clear.push_back(static_cast<uint32_t>(w));
    }
    select_out(9, 250);
    run(t_, r_, clear);
    // The window reaches one pixel past the screen on the right and bottom.
    EXPECT_EQ(picture(), expected_rect(0, 0, 321, 241));
    EXPECT_EQ(px(320, 240), black_pixel);

    select_out(6, 48); // a buffer smaller than the window: covered exactly
    run(t_, r_, clear);
    EXPECT_EQ(picture(), expected_rect(0, 0, 64, 48));
    expect_guards_intact();
}

TEST_F(Coverage, ClipWindowIsRelativeToTheViewCentre) {
    select_out(6, 48);
    run(t_, r_,
        join({cmd_view(8, -150, -110, -140, -101),
              cmd_facet(0, paint, 0, screen_quad(-99, -99, 999, 999))}));
    EXPECT_EQ(picture(), expected_rect(10, 10, 20, 19));
}

TEST_F(Coverage, NearPlaneCutsAFloorReachingBehindTheEye) {
    // A floor 0.25 below the eye from z = -1 to z = +1. What lies in front
    // of the near plane spans x = +-2 (sy - 120) around the centre.
    select_out(9, 250);
    run(t_, r_,
        cmd_facet(0, paint, 0,
                  {{-0.5, 0.25, -1}, {0.5, 0.25, -1}, {0.5, 0.25, 1}, {-0.5, 0.25, 1}}));
    for (int y = 0; y < 250; ++y) {
        for (int x = 0; x < 512; ++x) {
            const bool inside = y >= 184 && y <= 240 && x >= std::max(0, 399 - 2 * y) &&
                                x < std::min(321, 2 * y - 79);
            ASSERT_EQ(px(x, y) == paint, inside) << x << "," << y;
        }
    }
}

TEST_F(Coverage, NearPlaneKeepsDepthsFromSixteenRawUnitsOn) {
    select_out(9, 250);
    struct Case {
        int32_t raw_z;
        bool drawn;
    };
    for (const Case& c :
         {Case{-16, true}, Case{-15, false}, Case{0, false}, Case{16, false}, Case{-17, true}}) {
        clear_buffer();
        // One raw unit to each side: 16 pixels to each side at z = -16.
        Words facet = {gpu_op_facet, 4, paint, 0, 0};
        for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
            for (int32_t w : {x, y, c.raw_z, 0, 0, 0})
                facet.push_back(static_cast<uint32_t>(w));
        }
        run(t_, r_, facet);
        EXPECT_EQ(px(160, 120) == paint, c.drawn) << "z " << c.raw_z;
        if (c.raw_z == -16) {
            EXPECT_EQ(picture(), expected_rect(144, 104, 176, 136));
        }
    }
}

TEST_F(Coverage, ClipPlanesKeepThePartTheirNormalsPointTo) {
    select_out(9, 250);
    const Words big = cmd_facet(0, paint, 0, screen_quad(-99, -99, 999, 999));
    const PlaneSpec right_half = {0, 0, 0, 1, 0, 0};
    const PlaneSpec top_half = {0, 0, 0, 0, -1, 0};

    run(t_, r_, join({cmd_planes(1, {right_half, top_half}), big}));
    EXPECT_EQ(picture(), expected_rect(160, 0, 321, 241));

    clear_buffer(); // both slots in force
    run(t_, r_, join({cmd_planes(2, {right_half, top_half}), big}));
    EXPECT_EQ(picture(), expected_rect(160, 0, 321, 120));

    clear_buffer(); // count 0 switches clipping off, whatever the slots hold
    run(t_, r_, join({cmd_planes(0, {right_half, top_half}), big}));
    EXPECT_EQ(picture(), expected_rect(0, 0, 321, 241));
    EXPECT_EQ(r_.error_count(), 0u);

    // A plane through a point off the origin, in depth: keep z <= -2, which
    // leaves nothing of a facet at depth 1.
    clear_buffer();
    run(t_, r_, join({cmd_planes(1, {{0, 0, -2, 0, 0, -1}}), big}));
    EXPECT_EQ(picture(), expected_rect(0, 0, 0, 0));

    // A count above five is reported and taken as five.
    clear_buffer();
    const PlaneSpec keep_all = {0, 0, 0, 0, 0, 0};
    run(t_, r_, join({cmd_planes(6, {keep_all, keep_all, keep_all, keep_all, right_half}), big}));
    EXPECT_EQ(t_.area()->error_code, static_cast<uint32_t>(error_too_many_planes));
    EXPECT_EQ(picture(), expected_rect(160, 0, 321, 241));
}

} // namespace
} // namespace renderer::test
