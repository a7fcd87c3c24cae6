// How the renderer consumes the command FIFO: whole commands only, across
// the end of the ring, never touching what belongs to the client.
#include "test_area.h"

#include <gtest/gtest.h>

#include <numeric>

namespace renderer::test {
namespace {

constexpr uint32_t white = 0x80EB80EBu;

// A buffer selection followed by one flat facet covering pixel (0, 0): 33
// words that leave a visible trace when executed.
Words marker_commands() {
    return join(
        {cmd_buffer(gpu_op_set_out_buf, 0, 4, 4), cmd_facet(0, white, 0, screen_quad(0, 0, 2, 2))});
}

uint64_t fifo_checksum(const gpuSharedArea* a) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < gpu_fifo_words; ++i)
        sum = sum * 31 + a->fifo[i];
    return sum;
}

TEST(Fifo, CommandsCrossingTheEndOfTheRingAreReassembled) {
    // Start points chosen so that the split falls inside the buffer command,
    // right after the facet's opcode, inside a vertex, and exactly at the end.
    const uint32_t n = gpu_fifo_words;
    for (uint32_t start : {n - 2, n - 5, n - 14, n - 33, n - 1}) {
        TestArea t;
        Renderer r(t.area());
        t.start_fifo_at(start);
        const Words words = marker_commands();
        t.push(words);
        EXPECT_EQ(r.step(10), 2) << "start " << start;
        EXPECT_EQ(t.area()->fifo_read, (start + words.size()) % n);
        EXPECT_EQ(t.area()->video_mem[0], white) << "start " << start;
        EXPECT_EQ(r.error_count(), 0u);
    }
}

TEST(Fifo, AnIncompleteCommandWaitsAndFifoReadStopsBeforeIt) {
    const Words words = marker_commands();
    // Published prefixes: up to the facet's opcode alone, its header, most
    // of its vertices. Each stops at the end of the buffer command.
    for (size_t published : {size_t{4}, size_t{5}, size_t{9}, size_t{32}}) {
        TestArea t;
        Renderer r(t.area());
        t.push(Words(words.begin(), words.begin() + static_cast<long>(published)));
        EXPECT_EQ(r.step(10), 1) << published;
        EXPECT_EQ(t.area()->fifo_read, 4u);
        EXPECT_TRUE(r.fifo_empty());
        EXPECT_EQ(r.step(10), 0);
        EXPECT_EQ(t.area()->video_mem[0], 0u);

        t.push(Words(words.begin() + static_cast<long>(published), words.end()));
        EXPECT_FALSE(r.fifo_empty());
        EXPECT_EQ(r.step(10), 1);
        EXPECT_EQ(t.area()->fifo_read, 33u);
        EXPECT_EQ(t.area()->video_mem[0], white);
    }
}

TEST(Fifo, RendererNeverWritesFifoWordsOrFifoWrite) {
    TestArea t;
    Renderer r(t.area());
    for (uint32_t i = 0; i < gpu_fifo_words; ++i)
        t.area()->fifo[i] = i * 2654435761u;
    t.start_fifo_at(gpu_fifo_words - 20);
    t.push(join({marker_commands(), {0x77u}, cmd_reset()}));
    const uint64_t before = fifo_checksum(t.area());
    const uint32_t write = t.area()->fifo_write;
    while (r.step(3) > 0) {
    }
    EXPECT_EQ(fifo_checksum(t.area()), before);
    EXPECT_EQ(t.area()->fifo_write, write);
    EXPECT_EQ(t.area()->fifo_read, write);
    EXPECT_EQ(r.commands_executed(), 4u);
}

TEST(Fifo, StepHonoursItsLimitAndStopsAfterAShowWhenAsked) {
    TestArea t;
    Renderer r(t.area());
    const Words show = cmd_buffer(gpu_op_show, 0, 4, 4);
    t.push(join({cmd_reset(), cmd_reset(), show, cmd_reset(), show, cmd_reset()}));
    EXPECT_EQ(r.step(1), 1);
    EXPECT_EQ(r.step(100, true), 2); // reset, show
    EXPECT_EQ(r.step(100, true), 2); // reset, show
    EXPECT_EQ(r.step(100, true), 1); // reset
    EXPECT_EQ(r.step(100, true), 0);
    EXPECT_EQ(r.commands_executed(), 6u);
}

TEST(Fifo, ShowsWaitInTheFifoWhileTheDisplayQueueIsFull) {
    TestArea t;
    Renderer r(t.area());
    for (size_t i = 0; i <= max_pending_shows; ++i)
        t.push(cmd_buffer(gpu_op_show, 0, 4, 4));
    EXPECT_EQ(r.step(100000), static_cast<int>(max_pending_shows));
    EXPECT_FALSE(r.fifo_empty());
    RgbFrame frame;
    ASSERT_TRUE(r.display_next(frame));
    EXPECT_EQ(r.step(100000), 1);
    EXPECT_EQ(r.pending_shows(), max_pending_shows);
}

TEST(Fifo, BadIndexesAreReportedAndNeverFollowed) {
    TestArea t;
    Renderer r(t.area());
    // fifo_write out of range: nothing read, reported once while it lasts.
    t.area()->fifo[0] = 0x55u;
    t.area()->fifo_write = gpu_fifo_words;
    EXPECT_EQ(r.step(10), 0);
    EXPECT_EQ(r.step(10), 0);
    EXPECT_TRUE(r.fifo_empty());
    EXPECT_EQ(t.area()->error_code, static_cast<uint32_t>(error_bad_fifo_write));
    EXPECT_EQ(r.error_count(), 1u);
    EXPECT_EQ(t.area()->fifo_read, 0u);

    // fifo_read out of range: continue where the client writes next.
    t.area()->error_code = 0;
    t.area()->fifo_write = 100;
    t.area()->fifo_read = 0xFFFFFFF0u;
    EXPECT_EQ(r.step(10), 0);
    EXPECT_EQ(t.area()->error_code, static_cast<uint32_t>(error_bad_fifo_read));
    EXPECT_EQ(t.area()->fifo_read, 100u);

    t.start_fifo_at(100);
    t.push(marker_commands());
    EXPECT_EQ(r.step(10), 2);
    EXPECT_EQ(t.area()->video_mem[0], white);
    EXPECT_EQ(r.error_count(), 2u);
}

} // namespace
} // namespace renderer::test
