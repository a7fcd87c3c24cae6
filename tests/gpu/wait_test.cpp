// The client's two waits, ended by a consumer thread after a short, a medium
// and a long delay: each returns soon after the condition starts to hold,
// and never before. The bound is loose on purpose: it catches a wait that
// oversleeps by far or never notices its end, not a slow machine.
#include "gpu.h"

#include "in_process_area.h"
#include "shared_access.h"
#include "wait_wake.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto prompt = 50ms;

class WaitTest : public ::testing::TestWithParam<std::chrono::microseconds> {
  protected:
    // Runs `end_wait` on a thread after the delay and returns when it ran.
    void end_later(void (*end_wait)(gpuSharedArea*)) {
        consumer_ = std::thread([this, end_wait] {
            std::this_thread::sleep_for(GetParam());
            ended_at_ = Clock::now();
            ended_.store(true);
            end_wait(memory_.area());
            // As the renderer does after moving either word.
            platform::wake_waiters(&memory_.area()->fifo_read);
            platform::wake_waiters(&memory_.area()->frame_count);
        });
    }
    // Checked right after the wait returned.
    void expect_ended_promptly() {
        const bool ended = ended_.load();
        const Clock::time_point returned = Clock::now();
        consumer_.join();
        EXPECT_TRUE(ended) << "the wait returned before its condition held";
        EXPECT_LT(returned - ended_at_, prompt);
    }

    test_support::InProcessArea memory_;
    std::thread consumer_;
    std::atomic<bool> ended_{false};
    Clock::time_point ended_at_;
};

// The FIFO is full until the consumer frees a few words.
TEST_P(WaitTest, FifoWaitReturnsOnceTheRendererMakesRoom) {
    gpuSharedArea* area = memory_.area();
    area->fifo_write = gpu_fifo_words - 1;
    const uint32_t word = 0x600D;
    end_later([](gpuSharedArea* a) { platform::shared_publish(&a->fifo_read, 4); });
    EXPECT_EQ(gpuOK, gpuWrite(&word, 4, true));
    expect_ended_promptly();
    EXPECT_EQ(word, area->fifo[gpu_fifo_words - 1]);
}

// Video memory is full of one shown frame until the display moves past it.
TEST_P(WaitTest, AllocationWaitReturnsOnceTheDisplayGivesMemoryBack) {
    gpuBuf* frame = gpuAlloc_(0, gpu_video_words);
    ASSERT_NE(nullptr, frame);
    ASSERT_EQ(gpuOK, gpuShowBuf(frame, false));
    ASSERT_EQ(nullptr, gpuAlloc_(0, 1));
    end_later([](gpuSharedArea* a) { platform::shared_publish(&a->frame_count, 2); });
    gpuBuf* next = gpuAlloc(0, 100, true);
    expect_ended_promptly();
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(0u, gpuBuf_get_loc(next)->address);
}

INSTANTIATE_TEST_SUITE_P(Delays, WaitTest, ::testing::Values(1us, 1000us, 100000us));

} // namespace
