// Allocation of video memory: first fit, the end of memory, requests that can
// never fit, the descriptor pool and waiting for the display.
#include "gpu.h"
#include "gpu_testing.h"

#include "fake_renderer.h"
#include "in_process_area.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A request of the given number of words, as single-word lines.
gpuBuf* alloc_words(uint32_t words) {
    return gpuAlloc_(0, words);
}

uint32_t address_of(gpuBuf* buf) {
    return gpuBuf_get_loc(buf)->address;
}

class MmAllocTest : public ::testing::Test {
  protected:
    test_support::InProcessArea memory_;
};

TEST_F(MmAllocTest, FirstFitTakesTheFirstGapThatHolds) {
    gpuBuf* low = alloc_words(100);
    gpuBuf* middle = alloc_words(200);
    gpuBuf* high = alloc_words(100);
    ASSERT_TRUE(low && middle && high);
    EXPECT_EQ(0u, address_of(low));
    EXPECT_EQ(100u, address_of(middle));
    EXPECT_EQ(300u, address_of(high));
    const gpuBufLoc expected = {100, 0, 200};
    EXPECT_EQ(0, memcmp(&expected, gpuBuf_get_loc(middle), sizeof expected));
    gpuFree(middle);

    // Buffers at 0..99 and 300..399 leave a gap of exactly 200 words.
    gpuBuf* fits = alloc_words(200);
    ASSERT_NE(nullptr, fits);
    EXPECT_EQ(100u, address_of(fits));
    gpuFree(fits);
    gpuBuf* too_big = alloc_words(201);
    ASSERT_NE(nullptr, too_big);
    EXPECT_EQ(400u, address_of(too_big));

    // Freed memory is reusable at once, at the front as well.
    gpuFree(low);
    gpuBuf* front = gpuAlloc_(2, 25);
    ASSERT_NE(nullptr, front);
    EXPECT_EQ(0u, address_of(front));
}

struct EndCase {
    uint32_t in_use; // words allocated first
    uint32_t log2_width;
    uint32_t height;
    bool fits;
};

TEST_F(MmAllocTest, RequestsUpToTheEndOfVideoMemory) {
    const EndCase cases[] = {
        {0, 18, 29, true},                 // exactly the whole of video memory
        {1, 18, 29, false},                // one word more
        {1, 0, gpu_video_words - 1, true}, // ends exactly on the last word
        {2, 0, gpu_video_words - 1, false},
        {100, 4, 0x0FFFFFFF, false}, // would wrap a 32-bit end address
        {0, 18, 30, false},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.in_use << " in use, " << c.log2_width << " " << c.height);
        gpu_mm_reset();
        if (c.in_use > 0) {
            ASSERT_NE(nullptr, alloc_words(c.in_use));
        }
        gpuBuf* buf = gpuAlloc_(c.log2_width, c.height);
        EXPECT_EQ(c.fits, buf != nullptr);
        if (buf != nullptr) {
            EXPECT_EQ(c.in_use, address_of(buf));
        }
    }
}

// These can never fit, so even a waiting request gives up at once (a test
// that hangs here has failed). Nothing is allocated by them.
TEST_F(MmAllocTest, RequestLargerThanVideoMemoryReturnsNullEvenWhenWaiting) {
    const uint32_t shapes[][2] = {
        {18, 30}, {0, gpu_video_words + 1}, {0, 0xFFFFFFFF}, {31, 4}, {32, 1}, {40, 0}, {255, 3},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(testing::Message() << shape[0] << " " << shape[1]);
        EXPECT_EQ(nullptr, gpuAlloc(shape[0], shape[1], true));
    }
    gpuBuf* whole = gpuAlloc(18, 29, false);
    ASSERT_NE(nullptr, whole);
    EXPECT_EQ(0u, address_of(whole));
}

TEST_F(MmAllocTest, NoWaitRequestReturnsNullWhenMemoryIsShort) {
    ASSERT_NE(nullptr, gpuAlloc(9, 250, false));
    ASSERT_NE(nullptr, alloc_words(gpu_video_words - 128000 - 1000));
    EXPECT_EQ(nullptr, gpuAlloc(9, 512, false));
    EXPECT_NE(nullptr, gpuAlloc(0, 1000, false));
}

struct GrowthCase {
    uint32_t buffers;
    uint32_t cache_size;
};

// The pool grows to cache_size * 4 + 256 when the spare list runs dry, and
// buffers handed out before keep their records and links.
TEST_F(MmAllocTest, PoolGrowsWithoutMovingDescriptors) {
    const GrowthCase cases[] = {{1, 256}, {256, 256}, {257, 1280}, {1280, 1280}, {1281, 5376}};
    std::vector<gpuBuf*> buffers;
    EXPECT_EQ(0u, gpu_mm_cache_size());
    for (const GrowthCase& c : cases) {
        while (buffers.size() < c.buffers) {
            buffers.push_back(alloc_words(1));
            ASSERT_NE(nullptr, buffers.back());
        }
        EXPECT_EQ(c.cache_size, gpu_mm_cache_size()) << c.buffers << " buffers";
    }
    for (uint32_t i = 0; i < buffers.size(); ++i) {
        const gpuBufLoc* loc = gpuBuf_get_loc(buffers[i]);
        ASSERT_EQ(i, loc->address);
        ASSERT_EQ(1u, loc->height);
    }
    // Walking the list after the growth still works: every other buffer
    // freed, the gaps are found again in address order.
    for (uint32_t i = 0; i < buffers.size(); i += 2)
        gpuFree(buffers[i]);
    for (uint32_t i = 0; i < buffers.size(); i += 2) {
        gpuBuf* refill = alloc_words(1);
        ASSERT_NE(nullptr, refill);
        ASSERT_EQ(i, address_of(refill));
    }
    EXPECT_EQ(5376u, gpu_mm_cache_size());
}

// A waiting allocation sleeps through frame_count changes that free nothing
// and returns once the display has moved past the buffer in the way.
TEST_F(MmAllocTest, WaitingAllocationReturnsOnceTheDisplayGivesMemoryBack) {
    test_support::FakeRenderer renderer(memory_.area(), test_support::ShowMode::held);
    renderer.start();
    gpuBuf* first = gpuAlloc(18, 28, false);
    gpuBuf* second = gpuAlloc(18, 1, false);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(gpuOK, gpuShowBuf(first, true));  // fc 1
    ASSERT_EQ(gpuOK, gpuShowBuf(second, true)); // fc 2
    ASSERT_TRUE(renderer.wait_until_idle(5s));
    ASSERT_EQ(2u, renderer.held_frames());

    std::atomic<int> frames_released{0};
    std::thread display([&] {
        for (int i = 0; i < 2; ++i) {
            std::this_thread::sleep_for(10ms);
            frames_released.fetch_add(1);
            renderer.release_frames(1);
        }
    });
    gpuBuf* waited = gpuAlloc(18, 1, true);
    EXPECT_EQ(2, frames_released.load());
    display.join();
    ASSERT_NE(nullptr, waited);
    EXPECT_EQ(0u, address_of(waited));
}

} // namespace
