// Deferred releases: their order, the stop at the first buffer still in use,
// descriptor recycling and the detection of freeing a managed buffer.
#include "gpu.h"
#include "gpu_testing.h"

#include "in_process_area.h"

#include <gtest/gtest.h>

namespace {

uint32_t address_of(gpuBuf* buf) {
    return gpuBuf_get_loc(buf)->address;
}

class MmReleaseTest : public ::testing::Test {
  protected:
    // Where a request of the given size goes now; the probe is freed again.
    uint32_t probe(uint32_t words) {
        gpuBuf* buf = gpuAlloc_(0, words);
        EXPECT_NE(nullptr, buf);
        if (buf == nullptr) return UINT32_MAX;
        const uint32_t address = address_of(buf);
        gpuFree(buf);
        return address;
    }
    void set_frame_count(uint32_t value) { memory_.area()->frame_count = value; }

    test_support::InProcessArea memory_;
};

// The k-th shown buffer comes back once frame_count exceeds k.
TEST_F(MmReleaseTest, ShownBuffersComeBackInDisplayOrder) {
    gpuBuf* a = gpuAlloc_(0, 100);
    gpuBuf* b = gpuAlloc_(0, 100);
    gpuBuf* c = gpuAlloc_(0, 100);
    ASSERT_EQ(gpuOK, gpuShowBuf(a, false));
    ASSERT_EQ(gpuOK, gpuShowBuf(b, false));
    ASSERT_EQ(gpuOK, gpuShowBuf(c, false));
    EXPECT_EQ(3u, gpu_mm_frame_count());

    set_frame_count(1);
    EXPECT_EQ(300u, probe(100)); // neither A nor B back yet
    set_frame_count(2);
    EXPECT_EQ(0u, probe(100));   // A is back...
    EXPECT_EQ(300u, probe(200)); // ...but B still holds 100..199
    set_frame_count(3);
    EXPECT_EQ(0u, probe(200)); // B is back, C still holds 200..299
    EXPECT_EQ(300u, probe(201));
}

// A release requested with a long delay holds back the releases behind it,
// even those whose own threshold has passed.
TEST_F(MmReleaseTest, ReclaimStopsAtTheFirstBufferStillInUse) {
    gpuBuf* texture = gpuAlloc_(0, 100);
    gpuBuf* frame1 = gpuAlloc_(0, 100);
    gpuBuf* frame2 = gpuAlloc_(0, 100);
    gpuFreeFC(texture, 10); // fc 10
    ASSERT_EQ(gpuOK, gpuShowBuf(frame1, false));
    ASSERT_EQ(gpuOK, gpuShowBuf(frame2, false));

    set_frame_count(2);
    EXPECT_EQ(300u, probe(100)); // frame1 passed but waits behind the texture
    set_frame_count(10);
    EXPECT_EQ(300u, probe(100));
    set_frame_count(11);
    EXPECT_EQ(0u, probe(300));
}

// Descriptors cycle through shown, reclaimed and reused many times over
// without the pool growing, and a reused one can be freed at once.
TEST_F(MmReleaseTest, RecycledDescriptorsStayUsable) {
    for (uint32_t frame = 1; frame <= 600; ++frame) {
        gpuBuf* buf = gpuAlloc_(9, 250);
        ASSERT_NE(nullptr, buf);
        ASSERT_EQ(gpuOK, gpuShowBuf(buf, false));
        set_frame_count(frame);
    }
    EXPECT_EQ(256u, gpu_mm_cache_size());
    for (int i = 0; i < 300; ++i) {
        gpuBuf* buf = gpuAlloc_(0, 1);
        ASSERT_NE(nullptr, buf);
        gpuFree(buf);
    }
    EXPECT_EQ(256u, gpu_mm_cache_size());
}

using MmReleaseDeathTest = MmReleaseTest;

// Freeing a buffer that the manager already holds for a deferred release
// would put its descriptor on the spare list twice.
TEST_F(MmReleaseDeathTest, FreeingAManagedBufferAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    gpuBuf* texture = gpuAlloc_(0, 10);
    gpuFreeFC(texture, 1);
    EXPECT_DEATH(gpuFree(texture), "mm:139: gpuFree: Assertion `!on_fc_list\\(buf\\)' failed\\.");
    gpuBuf* frame = gpuAlloc_(0, 10);
    ASSERT_EQ(gpuOK, gpuShowBuf(frame, false));
    EXPECT_DEATH(gpuFree(frame), "mm:139: gpuFree: Assertion `!on_fc_list\\(buf\\)' failed\\.");
}

// Two buffers whose records overlap (a caller wrote through the location
// pointer) stop the first-fit walk.
TEST_F(MmReleaseDeathTest, OverlappingBuffersAbortTheWalk) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    gpuAlloc_(0, 100);
    gpuBuf* second = gpuAlloc_(0, 100);
    gpuBuf_get_loc(second)->address = 50;
    EXPECT_DEATH(gpuAlloc_(0, 1000),
                 "mm:106: gpuAlloc_: Assertion `buf->loc.address >= next_free' failed\\.");
}

} // namespace
