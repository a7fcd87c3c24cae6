// The command FIFO with a consumer thread on the other side: waiting for
// room, and a long mixed stream that wraps the ring several times.
#include "gpu.h"

#include "fake_renderer.h"
#include "in_process_area.h"
#include "shared_access.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using test_support::FakeRenderer;
using test_support::InProcessArea;

constexpr uint32_t ring = gpu_fifo_words;

// With the ring full, a waiting write returns only after the consumer has
// released words, and then writes into them.
TEST(FifoConsumerTest, WaitingWriteReturnsOnlyAfterTheReaderAdvances) {
    InProcessArea memory;
    gpuSharedArea* area = memory.area();
    area->fifo_read = 0;
    area->fifo_write = ring - 1;

    const uint32_t word = 0xC0FFEE;
    EXPECT_EQ(gpuNoRoom, gpuWrite(&word, 4, false));
    EXPECT_EQ(ring - 1, area->fifo_write);

    std::atomic<bool> advanced{false};
    std::thread reader([&] {
        std::this_thread::sleep_for(20ms);
        advanced.store(true);
        platform::shared_publish(&area->fifo_read, 5);
    });
    EXPECT_EQ(gpuOK, gpuWrite(&word, 4, true));
    EXPECT_TRUE(advanced.load());
    reader.join();
    EXPECT_EQ(word, area->fifo[ring - 1]);
    EXPECT_EQ(0u, area->fifo_write);
}

// Commands of every length the protocol has, sent whole and in pieces while a
// consumer runs, arrive intact and in order across several wraps of the ring.
TEST(FifoConsumerTest, MixedStreamArrivesIntactAcrossWraps) {
    InProcessArea memory;
    FakeRenderer renderer(memory.area());
    renderer.start();

    std::vector<std::vector<uint32_t>> sent;
    uint32_t stamp = 0x10000;
    uint64_t words_sent = 0;
    while (words_sent < 3 * uint64_t{ring}) {
        const uint32_t kind = static_cast<uint32_t>(sent.size() % 4);
        std::vector<uint32_t> command;
        if (kind == 0) {
            const uint32_t vertices = static_cast<uint32_t>(sent.size() % 9);
            command = {gpu_op_facet, vertices};
            command.resize(gpu_facet_words(vertices));
        } else if (kind == 1) {
            command.resize(sizeof(gpuCmdSetClipPlanes) / 4);
            command[0] = gpu_op_set_clip_planes;
        } else if (kind == 2) {
            command.resize(sizeof(gpuCmdSetView) / 4);
            command[0] = gpu_op_set_view;
        } else {
            command.resize(sizeof(gpuCmdBuffer) / 4);
            command[0] = gpu_op_set_txt_buf;
        }
        for (size_t i = (kind == 0 ? 2 : 1); i < command.size(); ++i)
            command[i] = stamp++;

        const uint32_t bytes = static_cast<uint32_t>(command.size() * 4);
        if (kind == 0) {
            // A facet goes as a header piece and one piece per vertex.
            std::vector<gpuPiece> pieces = {{command.data(), 20}};
            for (uint32_t v = 0; v < command[1]; ++v)
                pieces.push_back({&command[5 + 6 * v], 24});
            ASSERT_EQ(gpuOK, gpuWritev(pieces.data(), static_cast<uint32_t>(pieces.size()), true));
        } else {
            ASSERT_EQ(gpuOK, gpuWrite(command.data(), bytes, true));
        }
        words_sent += command.size();
        sent.push_back(std::move(command));
    }

    ASSERT_TRUE(renderer.wait_until_idle(10s));
    renderer.stop();
    EXPECT_FALSE(renderer.unknown_opcode_seen());
    const std::vector<std::vector<uint32_t>> received = renderer.commands();
    ASSERT_EQ(sent.size(), received.size());
    for (size_t i = 0; i < sent.size(); ++i)
        ASSERT_EQ(sent[i], received[i]) << "command " << i;
}

} // namespace
