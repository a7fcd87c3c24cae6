#include "random_frames.h"

#include "pixel.h"
#include "row_share.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace renderer::test {
namespace {

constexpr uint32_t out_address = 0x20000; // 512 x 250 words
constexpr uint32_t out_log2_width = random_frames_out_log2_width, out_height = 250;
constexpr uint32_t tex_address = 0x60000; // 64 x 64 texels
constexpr uint32_t key = 0x80108010u;
constexpr uint32_t clear_colour = 0x80EB80EBu;

} // namespace

Words random_frame(std::mt19937& random, bool clear_whole) {
    std::uniform_int_distribution<int> coordinate(-40, 360), type_pick(0, 4), small(0, 9);
    std::uniform_real_distribution<double> texel(-20, 80), shade(-2, 2);
    const uint32_t types[] = {0, 2, 3, 4, 6};
    Words words = join({cmd_buffer(gpu_op_set_out_buf, out_address, out_log2_width, out_height),
                        cmd_buffer(gpu_op_set_txt_buf, tex_address, 6, 64)});
    auto append = [&](const Words& w) { words.insert(words.end(), w.begin(), w.end()); };
    auto clear = [&] {
        if (clear_whole) {
            append(cmd_facet(0, clear_colour, 0, screen_quad(-99, -99, 999, 999)));
        } else {
            append(cmd_facet(0, clear_colour, 0, screen_quad(-99, -99, 999, 117)));
            append(cmd_facet(0, clear_colour, 0, screen_quad(-99, 117, 999, 999)));
        }
    };
    clear();
    const int facets = 4 + small(random);
    for (int f = 0; f < facets; ++f) {
        switch (small(random)) {
        case 0: // texels from rows the fill may still owe
            append(cmd_buffer(gpu_op_set_txt_buf, out_address + (small(random) << out_log2_width),
                              6, 16));
            break;
        case 1:
            append(cmd_buffer(gpu_op_set_txt_buf, tex_address, 6, 64));
            break;
        case 2: // a smaller window (at times a whole number of words of bits wide),
                // then the whole one again: spans outside the fill's
            if (small(random) < 5)
                append(cmd_view(8, -100 - small(random), -80, 100, 60 + small(random)));
            else
                append(cmd_view(8, -128, -80, 128, 60 + small(random)));
            break;
        case 3:
            append(cmd_view(8));
            break;
        case 4:
            clear();
            break;
        case 5: { // a comb of narrow facets: more owed pieces in a row than are kept
            const int x = coordinate(random), y = coordinate(random) / 2;
            for (int k = 0; k < 7; ++k)
                append(cmd_facet(types[type_pick(random)], key, 0,
                                 screen_quad(x + 9 * k, y, x + 9 * k + 4, y + 12, 0, 0, 4, 12)));
            break;
        }
        default:
            break;
        }
        const int x0 = coordinate(random), y0 = coordinate(random) * 3 / 4;
        const int x1 = x0 + 1 + small(random) * 20, y1 = y0 + 1 + small(random) * 15;
        std::vector<Vertex> quad =
            screen_quad(x0, y0, x1, y1, texel(random), texel(random), texel(random), texel(random));
        for (Vertex& v : quad)
            v.shade = shade(random);
        append(cmd_facet(types[type_pick(random)], key, small(random) * 20 - 90, quad));
    }
    append(cmd_buffer(gpu_op_show, out_address, out_log2_width, out_height));
    return words;
}

std::vector<uint32_t> draw_random_frames(uint32_t seed, bool clear_whole, RowShare* share) {
    TestArea t;
    Renderer r(t.area());
    r.set_row_share(share);
    std::mt19937 poison(7);
    std::generate_n(t.video() + out_address, 512 * out_height, [&] { return poison(); });
    for (uint32_t i = 0; i < 64 * 64; ++i)
        t.video()[tex_address + i] = i % 3 == 0 ? key : make_pixel(16 + i % 200, i % 251, i / 64);
    std::mt19937 random(seed);
    std::vector<uint32_t> last;
    for (int f = 0; f < 8; ++f) {
        t.push(random_frame(random, clear_whole));
        while (r.step(1000) > 0) {
        }
        // The buffer as the display would take it (no settle() here: the
        // show itself must have painted what was kept back).
        EXPECT_EQ(r.pending_shows(), size_t{1}) << "seed " << seed << " frame " << f;
        r.advance_display();
    }
    EXPECT_EQ(r.error_count(), 0u);
    return {t.video() + out_address, t.video() + out_address + 512 * out_height};
}

} // namespace renderer::test
