// The buffer manager's commands: the records sent, the texture height check,
// the limit on frames waiting for display and the assertions on handles.
#include "gpu.h"
#include "gpu_testing.h"

#include "in_process_area.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class MmCommandsTest : public ::testing::Test {
  protected:
    gpuSharedArea* area() const { return memory_.area(); }

    // The words queued in the FIFO since it was empty (no wrap in these tests).
    std::vector<uint32_t> queued() const {
        return std::vector<uint32_t>(area()->fifo + area()->fifo_read,
                                     area()->fifo + area()->fifo_write);
    }

    test_support::InProcessArea memory_;
};

struct BufferCommandCase {
    const char* name;
    gpuResult (*send)(gpuBuf*, bool);
    uint32_t opcode;
};

const BufferCommandCase buffer_commands[] = {
    {"gpuSetOutBuf", gpuSetOutBuf, gpu_op_set_out_buf},
    {"gpuSetTxtBuf", gpuSetTxtBuf, gpu_op_set_txt_buf},
    {"gpuSetZBuf", gpuSetZBuf, gpu_op_set_z_buf},
    {"gpuShowBuf", gpuShowBuf, gpu_op_show},
};

// Each call sends its opcode and the buffer's location, and a full FIFO
// turns a non-waiting call away without any change.
TEST_F(MmCommandsTest, BufferCommandsSendTheLocation) {
    for (const BufferCommandCase& c : buffer_commands) {
        SCOPED_TRACE(c.name);
        gpu_mm_reset();
        area()->fifo_read = area()->fifo_write = 0;
        ASSERT_NE(nullptr, gpuAlloc_(0, 4096));
        gpuBuf* buf = gpuAlloc_(8, 256);
        ASSERT_NE(nullptr, buf);

        ASSERT_EQ(gpuOK, c.send(buf, false));
        EXPECT_EQ((std::vector<uint32_t>{c.opcode, 4096, 8, 256}), queued());

        area()->fifo_read = area()->fifo_write + 3; // three words of room
        EXPECT_EQ(gpuNoRoom, c.send(buf, false));
        EXPECT_EQ(4u, area()->fifo_write);
    }
    // Only the show that was sent counts as a queued frame.
    EXPECT_EQ(1u, gpu_mm_frame_count());
}

struct HeightCase {
    uint32_t height;
    gpuResult result;
};

TEST_F(MmCommandsTest, TextureHeightMustBeAPowerOfTwo) {
    const HeightCase cases[] = {
        {250, gpuBadParam}, {256, gpuOK},     {0, gpuOK},         {1, gpuOK},
        {2, gpuOK},         {3, gpuBadParam}, {255, gpuBadParam}, {0x80000000u >> 10, gpuOK},
    };
    for (const HeightCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "height " << c.height);
        gpu_mm_reset();
        area()->fifo_read = area()->fifo_write = 0;
        gpuBuf* buf = gpuAlloc_(0, c.height);
        ASSERT_NE(nullptr, buf);
        EXPECT_EQ(c.result, gpuSetTxtBuf(buf, false));
        const std::vector<uint32_t> expected =
            c.result == gpuOK ? std::vector<uint32_t>{gpu_op_set_txt_buf, 0, 0, c.height}
                              : std::vector<uint32_t>{};
        EXPECT_EQ(expected, queued());
    }
}

// 64 shown buffers may wait for display; the 65th is refused, sends nothing
// and stays the caller's, until the display moves on.
TEST_F(MmCommandsTest, AtMost64FramesWaitForDisplay) {
    for (int i = 0; i < 63; ++i)
        ASSERT_EQ(gpuOK, gpuShowBuf(gpuAlloc_(0, 1), false));
    gpuBuf* sixty_fourth = gpuAlloc_(0, 1);
    EXPECT_EQ(gpuOK, gpuShowBuf(sixty_fourth, false)); // 63 pending: sent
    EXPECT_EQ(64u, gpu_mm_frame_count());

    gpuBuf* refused = gpuAlloc_(0, 1);
    const uint32_t write = area()->fifo_write;
    EXPECT_EQ(gpuNoRoom, gpuShowBuf(refused, true)); // 64 pending: refused
    EXPECT_EQ(write, area()->fifo_write);
    EXPECT_EQ(64u, gpu_mm_frame_count());

    area()->frame_count = 1;
    EXPECT_EQ(gpuOK, gpuShowBuf(refused, true));
    EXPECT_EQ(65u, gpu_mm_frame_count());
}

using MmCommandsDeathTest = MmCommandsTest;

struct NullHandleCase {
    void (*call)();
    const char* message;
};

TEST_F(MmCommandsDeathTest, NullHandlesAbort) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const NullHandleCase cases[] = {
        {[] { gpuFree(nullptr); }, "mm:138: gpuFree: Assertion `buf' failed\\."},
        {[] { gpuFreeFC(nullptr, 1); }, "mm:143: gpuFreeFC: Assertion `buf' failed\\."},
        {[] { gpuSetOutBuf(nullptr, true); }, "mm:152: gpuSetOutBuf: Assertion `buf' failed\\."},
        {[] { gpuSetTxtBuf(nullptr, true); }, "mm:160: gpuSetTxtBuf: Assertion `buf' failed\\."},
        {[] { gpuSetZBuf(nullptr, true); }, "mm:169: gpuSetZBuf: Assertion `buf' failed\\."},
    };
    for (const NullHandleCase& c : cases)
        EXPECT_DEATH(c.call(), c.message);
}

// The renderer can never have displayed more frames than were queued.
TEST_F(MmCommandsDeathTest, FrameCountAheadOfTheQueueAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    gpuBuf* buf = gpuAlloc_(0, 1);
    area()->frame_count = 1;
    EXPECT_DEATH(gpuShowBuf(buf, true),
                 "mm:177: gpuShowBuf: Assertion `my_frame_count >= shared->frame_count' failed\\.");
}

} // namespace
