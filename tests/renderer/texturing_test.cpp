// What textured facets put into the pixels they cover: orientation and
// wrapping, the colour key, the cast image, shading and perspective.
#include "test_area.h"

#include "pixel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace renderer::test {
namespace {

constexpr uint32_t out_address = 0x1000;
constexpr uint32_t tex_address = 0x40000;

class Texturing : public ::testing::Test {
  protected:
    void SetUp() override { run(t_, r_, cmd_buffer(gpu_op_set_out_buf, out_address, 6, 48)); }

    // A texture whose texel (tu, tv) has luma 16 + tu, U 100 + tv and V 200.
    void load_texture(uint32_t log2_width, uint32_t height) {
        for (uint32_t tv = 0; tv < height; ++tv) {
            for (uint32_t tu = 0; tu < (1u << log2_width); ++tu) {
                texel(log2_width, tu, tv) = make_pixel(16 + tu, 100 + tv, 200);
            }
        }
        run(t_, r_, cmd_buffer(gpu_op_set_txt_buf, tex_address, log2_width, height));
    }
    uint32_t& texel(uint32_t log2_width, uint32_t tu, uint32_t tv) {
        return t_.video()[tex_address + (tv << log2_width) + tu];
    }
    uint32_t& px(uint32_t x, uint32_t y) { return t_.video()[out_address + y * 64 + x]; }
    void fill_out(uint32_t word) { std::fill_n(t_.video() + out_address, 64 * 48, word); }

    TestArea t_;
    Renderer r_{t_.area()};
};

TEST_F(Texturing, UrunsAlongLinesAndVAcrossThemWrappingBothWays) {
    struct Case {
        uint32_t log2_width, height;
        double u0, v0, u1, v1; // over a 16 x 8 pixel quad
        int pixels_per_texel_x, pixels_per_texel_y;
        int tu_offset, tv_offset;
    };
    const Case cases[] = {
        {2, 2, 0, 0, 4, 2, 4, 4, 0, 0},    // one copy, 4 x 4 pixels per texel
        {2, 2, 0, 0, 16, 8, 1, 1, 0, 0},   // four copies across, four down
        {2, 2, -4, -2, 12, 6, 1, 1, 0, 0}, // negative coordinates wrap too
        {2, 3, 0, 0, 16, 8, 1, 1, 0, 0},   // a height that is no power of two
        {3, 2, 2, 1, 10, 5, 2, 2, 2, 1},   // offset start
    };
    for (const Case& c : cases) {
        fill_out(0);
        load_texture(c.log2_width, c.height);
        run(t_, r_, cmd_facet(2, 0, 0, screen_quad(8, 4, 24, 12, c.u0, c.v0, c.u1, c.v1)));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                const int width = 1 << c.log2_width;
                const int tu = (x / c.pixels_per_texel_x + c.tu_offset) % width;
                const int tv =
                    (y / c.pixels_per_texel_y + c.tv_offset) % static_cast<int>(c.height);
                ASSERT_EQ(px(8 + x, 4 + y), make_pixel(16 + tu, 100 + tv, 200))
                    << "pixel " << x << "," << y << " of case u0 " << c.u0 << " log2 "
                    << c.log2_width << " height " << c.height;
            }
        }
    }
    EXPECT_EQ(r_.error_count(), 0u);
}

TEST_F(Texturing, ColourKeyLeavesKeyTexelsOutForTypesFourAndSix) {
    load_texture(2, 2);
    const uint32_t key = texel(2, 1, 0);
    for (uint32_t type : {4u, 6u}) {
        fill_out(0x80108010u);
        run(t_, r_, cmd_facet(type, key, 0, screen_quad(0, 0, 8, 4, 0, 0, 4, 2)));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool keyed = x / 2 == 1 && y / 2 == 0;
                EXPECT_EQ(px(x, y) == 0x80108010u, keyed)
                    << "type " << type << " " << x << "," << y;
            }
        }
    }
}

TEST_F(Texturing, CastImageDarkensAndTintsWhatLiesBeneath) {
    struct Case {
        uint32_t dst_y;
        int32_t param;
        uint32_t want_y;
    };
    const Case cases[] = {
        {150, -30, 120}, {30, -30, 16}, {230, 20, 235}, {100, 0, 100}, {100, INT32_MIN, 16}};
    const uint32_t key = 0x6E29F029u;
    // Texel chroma U 201, V 61 against the picture's U 100, V 160.
    for (uint32_t tv = 0; tv < 2; ++tv) {
        for (uint32_t tu = 0; tu < 4; ++tu)
            texel(2, tu, tv) = make_pixel(90, 201, 61);
    }
    texel(2, 3, 1) = key;
    run(t_, r_, cmd_buffer(gpu_op_set_txt_buf, tex_address, 2, 2));
    for (const Case& c : cases) {
        fill_out(make_pixel(c.dst_y, 100, 160));
        run(t_, r_, cmd_facet(6, key, c.param, screen_quad(0, 0, 8, 4, 0, 0, 4, 2)));
        EXPECT_EQ(px(0, 0), make_pixel(c.want_y, 151, 111)) << "luma " << c.dst_y;
        EXPECT_EQ(px(7, 3), make_pixel(c.dst_y, 100, 160)) << "key texel left out";
        EXPECT_EQ(px(8, 0), make_pixel(c.dst_y, 100, 160)) << "outside the facet";
    }
}

TEST_F(Texturing, ShadeScalesLumaTowardsBlackOrWhiteByOctaves) {
    struct Case {
        int32_t unit, span;
        double shade;
        uint32_t texel_y, want_y;
    };
    const Case cases[] = {
        {96, 3, 0, 200, 200},     // factor 1
        {96, 3, -288, 216, 116},  // half: 16 + 200 / 2
        {96, 3, -576, 216, 66},   // quarter: 16 + 200 / 4
        {96, 3, 288, 35, 135},    // double: 35 + 200 / 2
        {96, 3, 576, 35, 185},    // four times: 35 + 200 * 3 / 4
        {100, 1, -100, 116, 66},  // other shading words
        {96, 3, 30000, 100, 235}, // far beyond: white, never past it
        {96, 3, -30000, 100, 16}, // far below: black
    };
    for (const Case& c : cases) {
        texel(0, 0, 0) = make_pixel(c.texel_y, 90, 170);
        run(t_, r_,
            join({cmd_view(8, -161, -121, 161, 121, c.unit, c.span),
                  cmd_buffer(gpu_op_set_txt_buf, tex_address, 0, 1)}));
        std::vector<Vertex> quad = screen_quad(0, 0, 20, 10);
        for (Vertex& v : quad)
            v.shade = c.shade;
        run(t_, r_, cmd_facet(3, 0, 0, quad));
        for (auto [x, y] : {std::pair{0, 0}, {19, 0}, {7, 5}, {19, 9}}) {
            EXPECT_EQ(px(x, y), make_pixel(c.want_y, 90, 170))
                << "shade " << c.shade << " at " << x << "," << y;
        }
    }
    EXPECT_EQ(r_.error_count(), 0u);
}

// A wall receding from z = -1 (left) to z = -3 (right): the middle of the
// screen shows a quarter of the way along it, not half.
TEST_F(Texturing, TexturesAndShadesArePerspectiveCorrect) {
    run(t_, r_, cmd_buffer(gpu_op_set_out_buf, 0, 9, 250));
    for (uint32_t tu = 0; tu < 64; ++tu)
        texel(6, tu, 0) = make_pixel(16 + tu, 128, 128);
    const std::vector<Vertex> wall = {{-0.5, -0.1, -1, 0, 0, -288},
                                      {1.5, -0.1, -3, 64, 0, 288},
                                      {1.5, 0.1, -3, 64, 1, 288},
                                      {-0.5, 0.1, -1, 0, 1, -288}};
    run(t_, r_,
        join({cmd_buffer(gpu_op_set_txt_buf, tex_address, 6, 1), cmd_facet(2, 0, 0, wall)}));
    auto luma_at = [&](int x) { return static_cast<int>(pixel_luma(t_.video()[120 * 512 + x])); };
    // Screen x = 160 + 256 (2t - 0.5) / (1 + 2t) at parameter t along the wall.
    for (int x : {40, 100, 160, 168, 250, 280}) {
        const double s = x + 0.5 - 160;
        const double t = (s + 128) / (512 - 2 * s);
        EXPECT_NEAR(luma_at(x) - 16, 64 * t, 1.0) << "column " << x;
    }
    // The shade runs from -288 to 288 the same way: at t = 0.25 it is -144,
    // a factor 2^-0.5 on the texel's luma above 16.
    run(t_, r_, cmd_facet(3, 0, 0, wall));
    const double t = (0.5 + 128) / (512 - 1.0);
    const double f = std::exp2((-288 + 576 * t) / 288);
    EXPECT_NEAR(luma_at(160), 16 + (64 * t) * f, 1.0);
}

} // namespace
} // namespace renderer::test
