// The ink texture: the drop's profile, the saturating and wrapping map, the
// order in which the phases are used and advanced, and the colour bands.
#include "demo_fixture.h"
#include "random_stream.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace demo_test {
namespace {

constexpr uint32_t ink = 0x6e978997;
constexpr uint32_t light = 0x81b379b3;

using InkTexture = DemoTest;

int drop_at(int x, int y) {
    return ink_drop[y * ink_drop_size + x];
}

TEST_F(InkTexture, DropProfile) {
    make_ink_drop();
    struct Case {
        int x, y, value;
    };
    const Case cases[] = {
        {64, 64, 255}, // the centre
        {43, 64, 255}, // d2 = 441, on the plateau
        {43, 60, 255}, // d2 = 457, s = 1: cos(512) >> 9 = 127, +128 clamps to 255
        {0, 0, 0},     {127, 0, 0}, {0, 127, 0},
        {127, 127, 0}, {64, 0, 2},  {0, 64, 2}, // d2 = 4096, s = 60
    };
    for (const Case& c : cases)
        EXPECT_EQ(drop_at(c.x, c.y), c.value) << c.x << "," << c.y;

    // The whole plateau is flat and nothing beyond radius ~67 is inked.
    for (int y = 0; y < ink_drop_size; ++y) {
        for (int x = 0; x < ink_drop_size; ++x) {
            const int d2 = (64 - x) * (64 - x) + (64 - y) * (64 - y);
            if (d2 <= 454) {
                EXPECT_EQ(drop_at(x, y), 255) << x << "," << y;
            }
            if (d2 >= 4551) {
                EXPECT_EQ(drop_at(x, y), 0) << x << "," << y;
            }
        }
    }
}

TEST_F(InkTexture, OverlappingPlateausSaturateInsteadOfWrapping) {
    make_ink_drop();
    std::vector<uint8_t> map(ink_map_bytes, 0);
    add_ink_drop(map.data(), 10, 20);
    add_ink_drop(map.data(), 10, 30);
    // Cell (column 20 + 64, row 10 + 64) is the centre of the first drop and
    // 10 entries from the centre of the second: 255 + 255 saturates.
    EXPECT_EQ(map[(10 + 64) * 256 + 20 + 64], 255);
    // Where the second drop's rim adds a little to the first's slope the sum
    // is exact.
    const int column = 20 + 20;
    const int row = 10 + 64;
    EXPECT_EQ(map[row * 256 + column], std::min(255, drop_at(20, 64) + drop_at(10, 64)));
}

TEST_F(InkTexture, DropsWrapRoundTheMapEdges) {
    make_ink_drop();
    std::vector<uint8_t> map(ink_map_bytes, 0);
    add_ink_drop(map.data(), 200, 250);
    // Down column 58 (drop column 64): rows 200 to 255 and 0 to 71 are the
    // drop's rows 0 to 127, rows 72 to 199 stay empty.
    for (int row = 0; row < 256; ++row) {
        const bool covered = row >= 200 || row <= 71;
        EXPECT_EQ(map[row * 256 + 58], covered ? drop_at(64, (row - 200) & 255) : 0) << row;
    }
    // Along row 8 (drop row 64): columns 250 to 255 and 0 to 121.
    for (int column = 0; column < 256; ++column) {
        const bool covered = column >= 250 || column <= 121;
        EXPECT_EQ(map[8 * 256 + column], covered ? drop_at((column - 250) & 255, 64) : 0) << column;
    }
    EXPECT_EQ(map[8 * 256 + 58], 255) << "the centre lies past both edges";
}

// Eight drops, each placed from one draw of the random stream: rows from bits 16 to 23,
// columns from bits 8 to 15, on a cleared map.
TEST_F(InkTexture, MapPlacesEightDropsFromTheRandomGenerator) {
    make_ink_drop();
    seed_random(1234);
    std::vector<uint8_t> expected(ink_map_bytes, 0);
    for (int i = 0; i < 8; ++i) {
        const int32_t r = next_random();
        add_ink_drop(expected.data(), (r >> 16) & 255, (r >> 8) & 255);
    }
    const int32_t ninth = next_random();

    seed_random(1234);
    std::vector<uint8_t> map(ink_map_bytes, 0x5a);
    make_ink_map(map.data());
    EXPECT_EQ(map, expected);
    EXPECT_EQ(next_random(), ninth) << "exactly eight draws";
}

TEST_F(InkTexture, PhasesAreUsedBeforeTheyAdvance) {
    const InkOffsets first = next_ink_offsets();
    // All phases 0: sin(0) is -1 in the table, cos(0) is 1.0.
    EXPECT_EQ((std::array{first.m, first.o, first.t, first.u, first.w}),
              (std::array{-1, 18, -1, 28, -1}));
    const InkPhases& p = ink_phases;
    EXPECT_EQ((std::array{p.a1, p.a2, p.a3, p.a4, p.a5}), (std::array{399, 141, 197, 451, 753}));

    const InkOffsets second = next_ink_offsets();
    EXPECT_EQ(second.m, (41 * Fix_sin(399)) >> 16);
    EXPECT_EQ(second.o, (18 * Fix_cos(141)) >> 16);
    EXPECT_EQ(second.t, (21 * Fix_sin(197)) >> 16);
    EXPECT_EQ(second.u, (28 * Fix_cos(451)) >> 16);
    EXPECT_EQ(second.w, (70 * Fix_sin(753)) >> 16);
    EXPECT_EQ(ink_phases.a5, 1506);
}

class InkFrames : public InkTexture {
  protected:
    void SetUp() override {
        InkTexture::SetUp();
        texture_ = gpuAlloc(8, 256, false);
        ASSERT_NE(texture_, nullptr);
    }
    const uint32_t* texels() { return gpu_buffer_words(gpuBuf_get_loc(texture_)); }

    test_support::InProcessArea area_;
    gpuBuf* texture_ = nullptr;
};

TEST_F(InkFrames, EmptyAndFullMapsAreLightEverywhere) {
    for (uint8_t fill : {uint8_t{0}, uint8_t{255}}) {
        SCOPED_TRACE(int{fill});
        std::vector<uint8_t> map(ink_map_bytes, fill);
        for (int frame = 0; frame < 40; ++frame) {
            draw_ink_texture(map.data(), texture_);
            for (int i = 0; i < 65536; ++i)
                ASSERT_EQ(texels()[i], light) << frame << " " << i;
        }
    }
}

// One inked cell seen through both windows of the first frame (m = -1,
// o = 18, t = -1, u = 28, w = -1: ink for sums 79 to 168).
TEST_F(InkFrames, SingleCellShowsThroughBothWindowsWithinTheBand) {
    struct Case {
        uint8_t value;
        bool inked;
    };
    const Case cases[] = {{78, false}, {79, true}, {168, true}, {169, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.value});
        ink_phases = InkPhases{};
        std::vector<uint8_t> map(ink_map_bytes, 0);
        const int column = 10, row = 20;
        map[row * 256 + column] = c.value;
        draw_ink_texture(map.data(), texture_);

        const int first_x = column + 1, first_y = (row - 28) & 255;    // 11, 248
        const int second_x = (-1 - column) & 255, second_y = 18 - row; // 245, -2
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const bool seen =
                    (x == first_x && y == first_y) || (x == second_x && y == (second_y & 255));
                ASSERT_EQ(texels()[y * 256 + x], seen && c.inked ? ink : light) << x << "," << y;
            }
        }
    }
}

// The texture is written in runs along each row, split where either window
// wraps round the map's edge. Every texel must still be exactly what the
// per-texel rule gives, for every pair of window positions the phases reach.
TEST_F(InkFrames, EveryTexelFollowsThePerTexelRuleOverManyFrames) {
    std::vector<uint8_t> map(ink_map_bytes);
    uint32_t seed = 12345;
    for (uint8_t& cell : map) {
        seed = seed * 1664525u + 1013904223u;
        cell = static_cast<uint8_t>(seed >> 24);
    }
    for (int frame = 0; frame < 150; ++frame) {
        const InkPhases before = ink_phases;
        const InkOffsets o = next_ink_offsets();
        ink_phases = before;
        draw_ink_texture(map.data(), texture_);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const int sum = map[((o.u + y) & 255) * 256 + ((o.t + x) & 255)] +
                                map[((o.o - y) & 255) * 256 + ((o.m - x) & 255)];
                const bool inked = o.w + 80 <= sum && sum < o.w + 170;
                ASSERT_EQ(texels()[y * 256 + x], inked ? ink : light)
                    << "frame " << frame << " texel " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace demo_test
