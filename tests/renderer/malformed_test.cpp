// Malformed and hostile command streams: each error is reported, nothing is
// written outside the selected buffer, and the renderer goes on with the
// next valid command.
#include "test_area.h"

#include "commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace renderer::test {
namespace {

// The output buffer sits at the very end of video memory, so a runaway
// write would land in the area's reserved tail.
constexpr uint32_t out_words = 64 * 16;
constexpr uint32_t out_address = gpu_video_words - out_words;
constexpr uint32_t guard_words = 4096;
constexpr uint32_t tex_address = 0x100000;
constexpr uint32_t guard = 0xDEADBEEFu;
constexpr uint32_t marker = 0x80EB80EBu;

class Malformed : public ::testing::Test {
  protected:
    void SetUp() override {
        std::fill_n(t_.video() + out_address - guard_words, guard_words, guard);
        std::fill(std::begin(t_.area()->reserved_tail), std::end(t_.area()->reserved_tail), 0xA5);
        for (uint32_t i = 0; i < 16 * 8; ++i)
            t_.video()[tex_address + i] = 0x80108010u + i;
    }

    static Words select_buffers() {
        return join({cmd_buffer(gpu_op_set_out_buf, out_address, 6, 16),
                     cmd_buffer(gpu_op_set_txt_buf, tex_address, 4, 8)});
    }
    // A valid flat facet over pixels (0, 0) to (1, 1), after reselecting.
    static Words marker_facet() {
        return join({select_buffers(), cmd_facet(0, marker, 0, screen_quad(0, 0, 2, 2))});
    }

    void expect_nothing_outside_the_buffer() {
        for (uint32_t i = 0; i < guard_words; ++i) {
            ASSERT_EQ(t_.video()[out_address - guard_words + i], guard) << "word " << i;
        }
        for (uint8_t b : t_.area()->reserved_tail)
            ASSERT_EQ(b, 0xA5);
    }

    TestArea t_;
    Renderer r_{t_.area()};
};

struct JunkCase {
    const char* what;
    Words junk;
    ErrorCode want; // the last error stored
    uint64_t errors = 1;
};

TEST_F(Malformed, EachErrorIsStoredAndTheNextCommandStillRuns) {
    const Words flat = cmd_facet(0, marker, 0, screen_quad(0, 0, 4, 4));
    // 64 corners alternately in front of and behind the eye: cutting it at
    // the near plane would give 96 corners, more than any facet may have.
    std::vector<Vertex> jagged;
    for (int i = 0; i < 64; ++i)
        jagged.push_back({0.01 * i, 0.02 * (i % 2), i % 2 ? 1.0 : -1.0});
    const JunkCase cases[] = {
        {"unknown opcode", {7}, error_unknown_opcode},
        {"opcode 8", {8}, error_unknown_opcode},
        {"opcode all ones", {0xFFFFFFFFu}, error_unknown_opcode},
        {"no vertices", {gpu_op_facet, 0, marker, 0, 0}, error_bad_vertex_count},
        {"65 vertices", {gpu_op_facet, 65, marker, 0, 0}, error_bad_vertex_count},
        {"huge vertex count", {gpu_op_facet, 0x80000001u, marker, 0, 0}, error_bad_vertex_count},
        {"buffer past video memory", cmd_buffer(gpu_op_set_out_buf, out_address + 1, 6, 16),
         error_bad_buffer},
        {"lines too long", cmd_buffer(gpu_op_set_out_buf, 0, 13, 1), error_bad_buffer},
        {"no lines", cmd_buffer(gpu_op_set_out_buf, 0, 6, 0), error_bad_buffer},
        {"address wrapping 32 bits", cmd_buffer(gpu_op_set_out_buf, 0xFFFFFFF0u, 12, 16),
         error_bad_buffer},
        {"texture of height 0", cmd_buffer(gpu_op_set_txt_buf, tex_address, 4, 0),
         error_bad_buffer},
        {"depth buffer outside", cmd_buffer(gpu_op_set_z_buf, gpu_video_words, 0, 1),
         error_bad_buffer},
        {"show outside", cmd_buffer(gpu_op_show, 0, 12, 0x10000), error_bad_buffer},
        {"facet into a rejected buffer",
         join({cmd_buffer(gpu_op_set_out_buf, 0, 6, 0),
               cmd_facet(0, marker, 0, screen_quad(0, 0, 4, 4))}),
         error_no_output_buffer, 2},
        {"facet before any buffer", join({cmd_reset(), flat}), error_no_output_buffer},
        {"texture before any texture",
         join({cmd_reset(), cmd_buffer(gpu_op_set_out_buf, out_address, 6, 16),
               cmd_facet(2, 0, 0, screen_quad(0, 0, 4, 4))}),
         error_no_texture},
        {"a facet too jagged to cut", cmd_facet(0, marker, 0, jagged), error_bad_vertex_count},
        {"rendering type 1", cmd_facet(1, marker, 0, screen_quad(0, 0, 4, 4)),
         error_bad_rendering_type},
        {"rendering type 5", cmd_facet(5, marker, 0, screen_quad(0, 0, 4, 4)),
         error_bad_rendering_type},
        {"rendering type all ones", cmd_facet(0xFFFFFFFFu, marker, 0, screen_quad(0, 0, 4, 4)),
         error_bad_rendering_type},
        {"negative dproj", cmd_view(-1), error_bad_view},
        {"dproj 17", cmd_view(17), error_bad_view},
        {"shading words 0", cmd_view(8, -161, -121, 161, 121, 96, 0), error_bad_view},
        {"six clip planes", cmd_planes(6, {}), error_too_many_planes},
    };
    for (const JunkCase& c : cases) {
        std::fill_n(t_.video() + out_address, out_words, 0u);
        t_.area()->error_code = 0;
        const uint64_t errors_before = r_.error_count();
        run(t_, r_, join({select_buffers(), c.junk, marker_facet()}));
        EXPECT_EQ(t_.area()->error_code, static_cast<uint32_t>(c.want)) << c.what;
        EXPECT_EQ(r_.error_count(), errors_before + c.errors) << c.what;
        EXPECT_EQ(t_.video()[out_address], marker) << c.what;
        EXPECT_EQ(t_.area()->fifo_read, t_.area()->fifo_write) << c.what;
        EXPECT_TRUE(r_.fifo_empty()) << c.what;
        expect_nothing_outside_the_buffer();
    }
}

TEST(BufferCheck, BuffersMustLieWhollyInVideoMemory) {
    struct Case {
        gpuBufLoc loc;
        bool valid;
    };
    const Case cases[] = {
        {{gpu_video_words - 64, 6, 1}, true},   // ends exactly at the end
        {{gpu_video_words - 63, 6, 1}, false},  // one word more
        {{0, 12, gpu_video_words >> 12}, true}, // all of video memory
        {{0, 12, (gpu_video_words >> 12) + 1}, false},
        {{0, 0, 1}, true},
        {{0, 0, 0}, false},
        {{0, 13, 1}, false},
        {{0xFFFFFFFFu, 0, 1}, false},
        {{1, 12, 0xFFFFFFFFu}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(check_buffer(c.loc).valid, c.valid)
            << c.loc.address << " " << c.loc.log2_width << " " << c.loc.height;
    }
}

// Random facets with wild coordinates, texture coordinates, shades and
// vertex counts, under random views and planes: nothing may be written
// outside the selected buffer, and nothing may crash or trip the sanitisers.
TEST_F(Malformed, HostileGeometryStaysInsideTheBuffer) {
    std::mt19937 rng(12345);
    auto any_word = [&] { return static_cast<uint32_t>(rng()); };
    auto small = [&](int32_t range) {
        return static_cast<uint32_t>(static_cast<int32_t>(rng() % (2 * range + 1)) - range);
    };
    auto coordinate = [&]() -> uint32_t {
        switch (rng() % 4) {
        case 0:
            return any_word();
        case 1:
            return small(16);
        case 2:
            return small(0x40000);
        default:
            return rng() % 2 ? 0x7FFFFFFFu : 0x80000000u;
        }
    };
    const uint32_t types[] = {0, 2, 3, 4, 6};
    run(t_, r_, select_buffers());
    for (int i = 0; i < 400; ++i) {
        Words w;
        if (i % 25 == 0) {
            w = join({cmd_view(static_cast<int32_t>(rng() % 17), static_cast<int32_t>(small(400)),
                               static_cast<int32_t>(small(400)), static_cast<int32_t>(small(400)),
                               static_cast<int32_t>(small(400)), static_cast<int32_t>(small(200)),
                               static_cast<int32_t>(small(3))),
                      cmd_buffer(gpu_op_set_txt_buf, tex_address, rng() % 5, 1 + rng() % 8)});
        }
        if (i % 40 == 0) {
            Words planes = cmd_planes(rng() % 6, {});
            for (size_t k = 2; k < planes.size(); ++k)
                planes[k] = coordinate();
            w = join({w, planes});
        }
        const uint32_t count = 1 + rng() % (i % 10 == 0 ? max_facet_vertices : 6);
        Words facet = {gpu_op_facet, count, any_word(), any_word(), types[rng() % 5]};
        for (uint32_t v = 0; v < count * 6; ++v)
            facet.push_back(coordinate());
        run(t_, r_, join({w, facet}));
    }
    run(t_, r_, join({cmd_reset(), marker_facet()}));
    EXPECT_EQ(t_.video()[out_address], marker);
    expect_nothing_outside_the_buffer();
}

} // namespace
} // namespace renderer::test
