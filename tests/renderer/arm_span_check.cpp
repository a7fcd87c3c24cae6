// The ARM span loops and fill (renderer/span_arm.S) against the portable code, for
// the ARMv4T build under qemu-arm (tools/render_cost.sh --quick runs it):
// random facets, each drawn once through the ARM loops and once with them
// turned off, into the same starting picture; every word must match.
// Random corners on and off screen, near and far (W's exponent and the
// division shifts over their range), texture coordinates wrapping many
// times, shades out to the bounds of the luma transfer, spans of every
// length. Exit status 0 when all match, 1 otherwise.
#include "facet_drawer.h"
#include "gpu_protocol.h"
#include "render_state.h"
#include "span_arm.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t out_address = 0x10000;
constexpr uint32_t out_log2_width = 9;
constexpr uint32_t out_height = 256;
constexpr uint32_t out_words = out_height << out_log2_width;
constexpr uint32_t texture_address = 0x80000;
// The plain type's other shape, 512 x 512 (the captured screen's).
constexpr uint32_t wide_texture_address = 0x100000;
// The colour-keyed type's key, a third of the texture's texels.
constexpr uint32_t key = 0x81a977a9u;

gpuSharedArea area;
uint32_t start_picture[out_words];
uint32_t portable_picture[out_words];

// xorshift32: the same facets on every run.
uint32_t state = 0x9e3779b9u;
uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}
int32_t between(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(next() % static_cast<uint32_t>(hi - lo + 1));
}

// A corner at depth `depth` (16.16 units) that projects to screen point
// (sx, sy) with the start view (focal length 256, centre 160, 120).
void put_corner(std::vector<uint32_t>& words, int32_t sx, int32_t sy, int64_t depth, int32_t u,
                int32_t v, int32_t shade) {
    const int64_t x = (int64_t{sx} - 160) * depth / 256;
    const int64_t y = (int64_t{sy} - 120) * depth / 256;
    for (int64_t value : {x, y, -depth, int64_t{u}, int64_t{v}, int64_t{shade}})
        words.push_back(static_cast<uint32_t>(value));
}

std::vector<uint32_t> random_facet() {
    const uint32_t corners = static_cast<uint32_t>(between(3, 5));
    static constexpr uint32_t types[] = {0, 2, 3, 3, 4, 6};
    const uint32_t type = types[next() % 6];
    // The cast image's luma offset: the demo's -30, or anything.
    const uint32_t param = next() % 2 == 0 ? static_cast<uint32_t>(-30) : next();
    std::vector<uint32_t> words{gpu_op_facet, corners, type >= 4 ? key : next(), param, type};
    // Shades: the demo's, or anywhere up to the bounds; depths near to far.
    const int32_t shade_reach = next() % 4 == 0 ? 0x7FFFFFFF : between(1, 600) << 16;
    const int32_t uv_reach = next() % 3 == 0 ? (1 << 30) : between(1, 2048) << 16;
    for (uint32_t i = 0; i < corners; ++i) {
        const int64_t depth =
            next() % 5 == 0 ? between(1 << 10, 1 << 16) : between(1 << 14, 1 << 22);
        put_corner(words, between(-200, 520), between(-200, 440), depth,
                   between(-uv_reach, uv_reach), between(-uv_reach, uv_reach),
                   between(-shade_reach, shade_reach));
    }
    return words;
}

} // namespace

int main(int argc, char** argv) {
    const int facets = argc > 1 ? std::atoi(argv[1]) : 3000;
    if (!renderer::arm_spans_built) {
        std::printf("SKIP: this build has no ARM span loops\n");
        return 77;
    }
    uint32_t* const video = area.video_mem;
    for (uint32_t i = 0; i < 256 * 256; ++i)
        video[texture_address + i] = next() % 3 == 0 ? key : next();
    for (uint32_t i = 0; i < 512 * 512; ++i)
        video[wide_texture_address + i] = next();
    renderer::RenderState rs;
    rs.out = {true, out_address, out_log2_width, out_height};
    const renderer::BufferSel square = {true, texture_address, 8, 256};
    const renderer::BufferSel wide = {true, wide_texture_address, 9, 512};
    renderer::FacetDrawer drawer;
    int differing = 0;
    uint64_t pixels = 0;
    for (int f = 0; f < facets; ++f) {
        for (uint32_t i = 0; i < out_words; i += 1 + next() % 7)
            video[out_address + i] = next();
        std::memcpy(start_picture, video + out_address, sizeof start_picture);
        const std::vector<uint32_t> words = random_facet();
        // Plain facets over either texture shape.
        rs.texture = words[4] == 2 && next() % 2 == 0 ? wide : square;

        // A facet that fills the whole window is kept back until settled.
        renderer::use_arm_spans(false);
        drawer.draw(words.data(), rs, video);
        drawer.finish_fill();
        std::memcpy(portable_picture, video + out_address, sizeof portable_picture);
        std::memcpy(video + out_address, start_picture, sizeof start_picture);
        renderer::use_arm_spans(true);
        drawer.draw(words.data(), rs, video);
        drawer.finish_fill();

        int first = -1, count = 0;
        for (uint32_t i = 0; i < out_words; ++i) {
            if (video[out_address + i] != portable_picture[i]) {
                if (first < 0) first = static_cast<int>(i);
                ++count;
            }
            pixels += start_picture[i] != portable_picture[i];
        }
        if (count != 0 && ++differing <= 5) {
            std::printf(
                "facet %d: %d words differ, first at x %d y %d: ARM %08lx, portable %08lx\n", f,
                count, first & 511, first >> 9,
                static_cast<unsigned long>(video[out_address + first]),
                static_cast<unsigned long>(portable_picture[first]));
        }
    }
    if (differing != 0) {
        std::printf("FAIL: %d of %d facets differ\n", differing, facets);
        return 1;
    }
    std::printf(
        "PASS: %d random facets (flat, plain, shaded, colour-keyed, cast image) (%lu pixels "
        "drawn) identical "
        "through the ARM "
        "loops and the portable code\n",
        facets, static_cast<unsigned long>(pixels));
    return 0;
}
