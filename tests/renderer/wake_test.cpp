// Which words the renderer wakes sleeping clients on, and how often: the
// platform's wake is replaced here by one that records its calls. A wake
// left out makes a waiting client sleep to its safety timeout, which no
// picture shows, only a slower run.
#include "test_area.h"
#include "wait_wake.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<const uint32_t*> woken;
} // namespace

namespace platform {
void wake_waiters(const uint32_t* word) {
    woken.push_back(word);
}
} // namespace platform

namespace renderer::test {
namespace {

TEST(Wake, OncePerStepOnFifoReadAndOncePerDisplayedFrameOnFrameCount) {
    TestArea t;
    Renderer renderer(t.area());
    t.push(join({cmd_buffer(gpu_op_set_out_buf, 0, 9, 240), cmd_buffer(gpu_op_show, 0, 9, 240),
                 cmd_buffer(gpu_op_show, 0, 9, 240)}));
    woken.clear();
    EXPECT_EQ(renderer.step(100), 3);
    EXPECT_EQ(woken, std::vector<const uint32_t*>{&t.area()->fifo_read});

    woken.clear();
    EXPECT_EQ(renderer.step(100), 0);
    EXPECT_TRUE(woken.empty()) << "a step that consumed nothing wakes nobody";

    ASSERT_TRUE(renderer.advance_display());
    EXPECT_EQ(woken, std::vector<const uint32_t*>{&t.area()->frame_count});
}

} // namespace
} // namespace renderer::test
