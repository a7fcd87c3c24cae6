// The faster subspan (where the processor has one) against the portable
// loop, bit for bit, over random subspans of every textured type: texture
// shapes up to 2^20 texels (the portable loop fetches differently above
// 2^16), coordinates and steps of either sign, shades across the whole
// transfer, keys that hit and miss.
#include "luma_transfer.h"
#include "span_simd.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace renderer
