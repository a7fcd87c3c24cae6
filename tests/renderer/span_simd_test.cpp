// The faster subspan (where the processor has one) against the portable
// loop, bit for bit, over random subspans of every textured type: texture
// shapes up to 2^20 texels (the portable loop fetches differently above
// 2^16), coordinates and steps of either sign, shades across the whole
// transfer, keys that hit and miss.
#include "facet_drawer.h"
#include "luma_transfer.h"
#include "render_state.h"
#include "span_simd.h"
#include "test_area.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace renderer {
namespace {

TEST(SpanSimd, MatchesThePortableLoop) {
    std::mt19937 random(1616);
    std::vector<uint32_t> texels(1u << 20);
    for (uint32_t& t : texels)
        t = random() & 0xF0F0F0F3u; // few distinct words, so keys hit
    uint32_t fast_dst[16], portable_dst[16];
    const uint32_t probe_types[] = {2, 3, 4, 6};
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const uint32_t log2_width = random() % 11, log2_height = random() % 11;
        const LumaTransfer from = luma_transfer(static_cast<int32_t>(random() % 20000) - 10000);
        const LumaTransfer to = luma_transfer(static_cast<int32_t>(random() % 20000) - 10000);
        Subspan16 s{nullptr,
                    texels.data(),
                    static_cast<uint32_t>(random()),
                    static_cast<uint32_t>(random()) >> (random() % 32),
                    static_cast<uint32_t>(random()),
                    static_cast<uint32_t>(random()) >> (random() % 32),
                    (1u << log2_width) - 1,
                    (1u << log2_height) - 1,
                    log2_width,
                    from.a,
                    (to.a - from.a) >> 4,
                    from.b,
                    (to.b - from.b) >> 4,
                    texels[random() % 64],
                    static_cast<int32_t>(random() % 511) - 255};
        const uint32_t type = probe_types[i % 4];
        for (int k = 0; k < 16; ++k)
            fast_dst[k] = portable_dst[k] = random();
        s.dst = fast_dst;
        if (!paint_subspan16_fast(type, s)) GTEST_SKIP() << "no faster subspan on this processor";
        s.dst = portable_dst;
        paint_subspan16_portable(type, s);
        for (int k = 0; k < 16; ++k)
            ASSERT_EQ(fast_dst[k], portable_dst[k])
                << "type " << type << " case " << i << " pixel " << k;
        ++compared;
    }
    EXPECT_EQ(compared, 20000);
}

// Whole random facets through the faster whole-span loop and through the
// portable code, into the same starting picture: every word of the output
// buffer must match, so a pixel written past a span's end shows too.
// Corners on and off screen, near and far (W's exponent and the division
// shifts over their range), coordinates wrapping many times, shades out to
// the transfer's bounds, spans of every length, textures of several shapes;
// and flat facets, whose rows the faster fill paints.
TEST(SpanSimd, WholeSpansMatchThePortableCode) {
    test::TestArea area;
    uint32_t* const video = area.video();
    std::mt19937 random(2718);
    auto between = [&](int32_t lo, int32_t hi) {
        // The width in unsigned arithmetic: hi - lo may not fit an int.
        const uint32_t width = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1u;
        return static_cast<int32_t>(static_cast<uint32_t>(lo) + random() % width);
    };
    constexpr uint32_t out_address = 0x10000, out_words = 256u << 9;
    constexpr uint32_t texture_address = 0x200000, key = 0x81a977a9u;
    for (uint32_t i = 0; i < (1u << 20); ++i)
        video[texture_address + i] = random() % 3 == 0 ? key : static_cast<uint32_t>(random());
    struct Shape {
        uint32_t log2_width, height;
    };
    // 2^20 texels: the portable loop fetches without the scaled row there.
    const Shape shapes[] = {{8, 256}, {6, 1024}, {10, 64}, {0, 4}, {4, 65536}};
    RenderState rs;
    rs.out = {true, out_address, 9, 256};
    FacetDrawer drawer;
    std::vector<uint32_t> start(out_words), portable(out_words);
    const uint32_t types[] = {2, 3, 4, 6};
    int faster[2] = {0, 0}; // facets compared with 8 and with 16 lanes
    for (int f = 0; f < 1500; ++f) {
        const Shape shape = shapes[f % 5];
        rs.texture = {true, texture_address, shape.log2_width, shape.height};
        for (uint32_t& word : start)
            word = static_cast<uint32_t>(random());
        const uint32_t corners = static_cast<uint32_t>(between(3, 5));
        // Every eighth facet flat: its rows go to the faster fill.
        const uint32_t type = f % 8 == 7 ? 0 : types[random() % 4];
        const uint32_t param = random() % 2 == 0 ? static_cast<uint32_t>(-30) : random();
        test::Words words{gpu_op_facet, corners, key, param, type};
        const int32_t shade_reach = random() % 4 == 0 ? 0x7FFFFFFF : between(1, 600) << 16;
        const int32_t uv_reach = random() % 3 == 0 ? (1 << 30) : between(1, 2048) << 16;
        for (uint32_t c = 0; c < corners; ++c) {
            const int64_t depth =
                random() % 5 == 0 ? between(1 << 10, 1 << 16) : between(1 << 14, 1 << 22);
            const int64_t sx = between(-200, 520), sy = between(-200, 440);
            for (int64_t value : {(sx - 160) * depth / 256, (sy - 120) * depth / 256, -depth,
                                  int64_t{between(-uv_reach, uv_reach)},
                                  int64_t{between(-uv_reach, uv_reach)},
                                  int64_t{between(-shade_reach, shade_reach)}})
                words.push_back(static_cast<uint32_t>(value));
        }
        std::memcpy(video + out_address, start.data(), out_words * 4);
        use_fast_spans(0);
        drawer.draw(words.data(), rs, video);
        drawer.finish_fill(); // a whole-window flat facet is kept back until then
        std::memcpy(portable.data(), video + out_address, out_words * 4);
        // Each width this processor has, alternately.
        const int lanes = use_fast_spans(f % 2 == 0 ? 8 : 16);
        if (lanes != 0) ++faster[lanes / 16];
        std::memcpy(video + out_address, start.data(), out_words * 4);
        drawer.draw(words.data(), rs, video);
        drawer.finish_fill();
        for (uint32_t i = 0; i < out_words; ++i)
            ASSERT_EQ(video[out_address + i], portable[i])
                << "facet " << f << " type " << type << " lanes " << lanes << " x " << (i & 511)
                << " y " << (i >> 9);
    }
    use_fast_spans(16);
    if (faster[0] + faster[1] == 0) GTEST_SKIP() << "no faster span on this processor";
}

} // namespace
} // namespace renderer
