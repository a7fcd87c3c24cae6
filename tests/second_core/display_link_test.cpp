// The second core's main loop against the display program: one buffer
// posted at a time, frame_count advanced only once it is taken, and a reset
// that throws away a posted buffer without counting it.
#include "display_link.h"
#include "test_area.h"

#include <gtest/gtest.h>

namespace second_core {
namespace {

using renderer::test::cmd_buffer;
using renderer::test::cmd_reset;
using renderer::test::join;
using renderer::test::run;

struct Link : ::testing::Test {
    renderer::test::TestArea t;
    renderer::Renderer core{t.area()};
    DisplayLink link{t.area()};
    gpuDisplayMailbox* box = gpu_display_mailbox(t.area());

    uint32_t frames() { return t.area()->frame_count; }
    // What the display program does once it has copied the posted buffer.
    void take() { box->taken = box->posted; }
};

TEST_F(Link, PostsOneBufferAtATimeAndCountsItOnlyOnceTaken) {
    link.start();
    EXPECT_EQ(box->magic, gpu_display_mailbox_magic);
    // Two shows: a valid buffer and one outside video memory.
    run(t, core,
        join(
            {cmd_buffer(gpu_op_show, 0x1000, 9, 240), cmd_buffer(gpu_op_show, 0x7FFFFFF, 9, 240)}));

    link.service(core);
    EXPECT_EQ(box->posted, 1u);
    EXPECT_EQ(box->address, 0x1000u);
    EXPECT_EQ(box->log2_width, 9u);
    EXPECT_EQ(box->height, 240u);
    link.service(core); // not taken yet: nothing moves
    EXPECT_EQ(box->posted, 1u);
    EXPECT_EQ(frames(), 0u);

    take();
    link.service(core);
    EXPECT_EQ(frames(), 1u);
    EXPECT_EQ(box->posted, 2u);
    EXPECT_EQ(box->height, 0u); // the bad buffer shows black but still counts
    take();
    link.service(core);
    EXPECT_EQ(frames(), 2u);
    EXPECT_FALSE(link.waiting());
    EXPECT_EQ(core.pending_shows(), 0u);
}

TEST_F(Link, AResetDropsThePostedBufferWithoutCountingIt) {
    link.start();
    run(t, core, cmd_buffer(gpu_op_show, 0x1000, 9, 240));
    link.service(core);
    ASSERT_EQ(box->posted, 1u);

    // The client resets and shows a new buffer while the old one is still
    // being copied out.
    run(t, core, join({cmd_reset(), cmd_buffer(gpu_op_show, 0x2000, 9, 240)}));
    link.service(core);
    EXPECT_EQ(box->posted, 1u); // the mailbox stays busy until the old post is taken
    take();
    link.service(core);
    EXPECT_EQ(frames(), 0u);
    EXPECT_EQ(box->posted, 2u);
    EXPECT_EQ(box->address, 0x2000u);
    take();
    link.service(core);
    EXPECT_EQ(frames(), 1u);
}

// A scan-out reads the shown buffer's words after the display program has
// taken it: the buffer is not handed back (frame_count) before it says so.
TEST_F(Link, WithAScanOutPresentCountsTheFrameOnlyOnceAcknowledged) {
    box->scanout_present = gpu_display_scanout_magic;
    link.start();
    run(t, core, cmd_buffer(gpu_op_show, 0x1000, 9, 240));
    link.service(core);
    take();
    link.service(core);
    EXPECT_EQ(frames(), 0u);
    box->scanout_ack = box->taken;
    link.service(core);
    EXPECT_EQ(frames(), 1u);
}

// The display program, asked to stop, waits for the word that says every
// command up to the client's last is executed and its frames are taken.
TEST_F(Link, ReportsDrainedOnlyWithNothingLeftToShow) {
    link.start();
    EXPECT_EQ(box->drained, gpu_display_not_drained);
    run(t, core,
        join({cmd_buffer(gpu_op_show, 0x1000, 9, 240), cmd_buffer(gpu_op_show, 0x2000, 9, 240)}));
    const uint32_t end = t.area()->fifo_write;
    link.service(core);
    EXPECT_EQ(box->drained, gpu_display_not_drained); // posted, not taken
    take();
    link.service(core);
    EXPECT_EQ(box->drained, gpu_display_not_drained); // the second is posted now
    take();
    link.service(core);
    EXPECT_EQ(box->drained, end);
    // New work makes it busy again.
    run(t, core, cmd_buffer(gpu_op_show, 0x1000, 9, 240));
    link.service(core);
    EXPECT_EQ(box->drained, gpu_display_not_drained);
}

TEST_F(Link, StartsFromWhatTheDisplayProgramTookBefore) {
    // A display program that already took 7 buffers of an earlier run.
    box->taken = 7;
    box->posted = 9;
    link.start();
    EXPECT_EQ(box->posted, 7u);
    run(t, core, cmd_buffer(gpu_op_show, 0x1000, 9, 240));
    link.service(core);
    EXPECT_EQ(box->posted, 8u);
    EXPECT_EQ(frames(), 0u);
}

} // namespace
} // namespace second_core
