// The display queue, frame_count and reset, and the conversion of shown
// buffers to RGB.
#include "test_area.h"

#include "pixel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace renderer::test {
namespace {

constexpr uint32_t frame_words = 512 * 250;

Rgb rgb_at(const RgbFrame& f, int x, int y) {
    const uint8_t* p = f.rgb.data() + (static_cast<size_t>(y) * f.width + x) * 3;
    return {p[0], p[1], p[2]};
}

// Draws a frame cleared to one colour into buffer k and shows it.
Words frame_of(uint32_t k, uint32_t color) {
    return join({cmd_buffer(gpu_op_set_out_buf, k * frame_words, 9, 250),
                 cmd_facet(0, color, 0, screen_quad(-99, -99, 999, 999)),
                 cmd_buffer(gpu_op_show, k * frame_words, 9, 250)});
}

TEST(Display, ShownBuffersAreDisplayedInOrderAndThenCounted) {
    TestArea t;
    Renderer r(t.area());
    const uint32_t colors[3] = {rgb_to_pixel(255, 0, 0), rgb_to_pixel(0, 255, 0),
                                rgb_to_pixel(0, 0, 255)};
    run(t, r, join({frame_of(0, colors[0]), frame_of(1, colors[1]), frame_of(2, colors[2])}));
    EXPECT_EQ(r.pending_shows(), 3u);
    EXPECT_EQ(t.area()->frame_count, 0u);
    RgbFrame frame;
    for (uint32_t k = 0; k < 3; ++k) {
        if (k == 1) { // passed over without a picture, counted all the same
            ASSERT_TRUE(r.advance_display());
            EXPECT_EQ(t.area()->frame_count, 2u);
            continue;
        }
        ASSERT_TRUE(r.display_next(frame));
        EXPECT_EQ(t.area()->frame_count, k + 1);
        EXPECT_EQ(frame.width, 320);
        EXPECT_EQ(frame.height, 240);
        ASSERT_EQ(frame.rgb.size(), 320u * 240u * 3u);
        EXPECT_EQ(rgb_at(frame, 0, 0), pixel_to_rgb(colors[k])) << k;
        EXPECT_EQ(rgb_at(frame, 319, 239), pixel_to_rgb(colors[k])) << k;
    }
    EXPECT_FALSE(r.display_next(frame));
    EXPECT_FALSE(r.advance_display());
    EXPECT_EQ(t.area()->frame_count, 3u);
    EXPECT_EQ(r.pending_shows(), 0u);
}

TEST(Display, ResetEmptiesTheQueueZeroesTheCountAndRestoresTheStartState) {
    TestArea t;
    Renderer r(t.area());
    run(t, r, join({frame_of(0, black_pixel), frame_of(1, black_pixel)}));
    RgbFrame frame;
    ASSERT_TRUE(r.display_next(frame));
    ASSERT_EQ(t.area()->frame_count, 1u);

    run(t, r, join({cmd_view(7), cmd_planes(1, {{0, 0, 0, 1, 0, 0}}), cmd_reset()}));
    EXPECT_EQ(t.area()->frame_count, 0u);
    EXPECT_EQ(r.pending_shows(), 0u);
    EXPECT_FALSE(r.display_next(frame));

    // No output buffer is selected any more...
    run(t, r, cmd_facet(0, 0x80EB80EBu, 0, screen_quad(0, 0, 4, 4)));
    EXPECT_EQ(t.area()->error_code, static_cast<uint32_t>(error_no_output_buffer));
    // ...and the view and planes are the start ones: a unit square at depth
    // 2 spans 128 pixels (64 with the view sent before the reset), on both
    // sides of the centre.
    run(t, r,
        join({cmd_buffer(gpu_op_set_out_buf, 0, 9, 250),
              cmd_facet(0, 0x80EB80EBu, 0,
                        {{-0.5, -0.5, -2}, {0.5, -0.5, -2}, {0.5, 0.5, -2}, {-0.5, 0.5, -2}})}));
    EXPECT_EQ(t.video()[120 * 512 + 96], 0x80EB80EBu);
    EXPECT_EQ(t.video()[120 * 512 + 95], black_pixel);
    EXPECT_EQ(t.video()[56 * 512 + 160], 0x80EB80EBu);
    EXPECT_EQ(t.video()[55 * 512 + 160], black_pixel);
    EXPECT_EQ(t.video()[120 * 512 + 223], 0x80EB80EBu);
    EXPECT_EQ(t.video()[120 * 512 + 224], black_pixel);

    // The method does the same as the command.
    run(t, r, cmd_buffer(gpu_op_show, 0, 9, 250));
    ASSERT_TRUE(r.display_next(frame));
    r.reset();
    EXPECT_EQ(t.area()->frame_count, 0u);
    run(t, r, cmd_facet(0, 0, 0, screen_quad(0, 0, 4, 4)));
    EXPECT_EQ(t.area()->error_code, static_cast<uint32_t>(error_no_output_buffer));
}

TEST(Display, BuffersSmallerThanTheScreenAndInvalidShowsDisplayBlackAroundThem) {
    TestArea t;
    Renderer r(t.area());
    const uint32_t white = 0x80EB80EBu;
    std::fill_n(t.video(), 64 * 16, white);
    run(t, r,
        join({cmd_buffer(gpu_op_show, 0, 6, 16), cmd_buffer(gpu_op_show, gpu_video_words, 6, 16)}));
    EXPECT_EQ(t.area()->error_code, static_cast<uint32_t>(error_bad_buffer));
    EXPECT_EQ(r.pending_shows(), 2u);
    RgbFrame frame;
    ASSERT_TRUE(r.display_next(frame));
    EXPECT_EQ(rgb_at(frame, 63, 15), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgb_at(frame, 64, 15), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgb_at(frame, 63, 16), (Rgb{0, 0, 0}));
    // The rejected show still counts, so frame_count keeps pace with the
    // client's own count of shown buffers.
    ASSERT_TRUE(r.display_next(frame));
    EXPECT_EQ(t.area()->frame_count, 2u);
    EXPECT_TRUE(std::all_of(frame.rgb.begin(), frame.rgb.end(), [](uint8_t b) { return b == 0; }));
}

TEST(Display, PixelWordsConvertBackToTheirColours) {
    struct Case {
        uint32_t word;
        Rgb want;
    };
    // Black and white exactly; the client's pure colours come back within
    // rounding of the two integer conversions.
    EXPECT_EQ(pixel_to_rgb(0x80108010u), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel_to_rgb(0x80EB80EBu), (Rgb{255, 255, 255}));
    const Case cases[] = {{0xF0525A52u, {255, 0, 0}},
                          {0x22903690u, {0, 255, 0}},
                          {0x6E29F029u, {0, 0, 255}},
                          {rgb_to_pixel(10, 128, 200), {10, 128, 200}},
                          {rgb_to_pixel(200, 60, 90), {200, 60, 90}}};
    for (const Case& c : cases) {
        const Rgb got = pixel_to_rgb(c.word);
        EXPECT_LE(std::abs(got.r - c.want.r), 2) << std::hex << c.word;
        EXPECT_LE(std::abs(got.g - c.want.g), 2) << std::hex << c.word;
        EXPECT_LE(std::abs(got.b - c.want.b), 2) << std::hex << c.word;
    }
    // Out-of-range chroma saturates instead of wrapping.
    EXPECT_EQ(pixel_to_rgb(make_pixel(235, 255, 255)), (Rgb{255, 102, 255}));
}

} // namespace
} // namespace renderer::test
