// The display program's pacing on a clock of the test's own, so that a busy
// machine cannot change what is seen: its frame clock alone, with the
// frames' own work between the ticks, and the loop on a heap copy of the
// shared area with the test in the renderer's place (it posts again as soon
// as a buffer is taken) and, when present, in the scan-out's place. The
// world moves on only while the program sleeps.
#include "display_loop.h"
#include "display_mailbox.h"
#include "frame_clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace display {
namespace {

constexpr int64_t ms = 1'000'000;
constexpr int64_t second = 1000 * ms;

// The exact time of frame k on a 60 Hz schedule that started at 0.
int64_t sixtieth(int64_t k) {
    return k * second / 60;
}

class FakeTime : public TimeSource {
  public:
    int64_t now_ns() override { return now; }
    // The world looks at the program's doings as the sleep begins, and
    // moves on as it ends.
    void sleep_ns(int64_t ns) override {
        if (world) world();
        if (ns > 0) now += ns;
        if (world) world();
    }

    int64_t now = 0;
    std::function<void()> world;
};

// The program's own frame clock and pause, stopped at a time on the fake
// clock.
class PacingUntil : public Pacing {
  public:
    PacingUntil(FakeTime& time, int64_t end) : time_(time), clock_(time), end_(end) {}
    void pause() override { clock_.pause(); }
    void next_frame() override { clock_.next_frame(); }
    bool stop() override { return time_.now >= end_; }
    // Nothing is owed at the end of these runs (the heap area's drained
    // word equals its fifo_write, both 0), so the loop stops at once either
    // way.
    bool stop_now() override { return stop(); }

  private:
    FakeTime& time_;
    FrameClock clock_;
    int64_t end_;
};

TEST(FrameClock, KeepsSixtyHertzWithWorkInEachFrameAndCatchesUpAfterALateOne) {
    FakeTime time;
    FrameClock clock(time);
    // 8 ms of conversion in each frame does not stretch the frame.
    for (int64_t k = 1; k <= 600; ++k) {
        time.now += 8 * ms;
        clock.next_frame();
        ASSERT_NEAR(time.now, sixtieth(k), 1000) << "frame " << k;
    }
    // A frame whose work takes a frame and a half ends late, at once; the
    // next ones are back on the same schedule, not shifted by the delay.
    time.now += 25 * ms;
    const int64_t late = time.now;
    clock.next_frame();
    EXPECT_EQ(time.now, late) << "the late frame waited";
    for (int64_t k = 602; k <= 660; ++k) {
        time.now += 2 * ms;
        clock.next_frame();
        ASSERT_NEAR(time.now, sixtieth(k), 1000) << "frame " << k;
    }
}

TEST(FrameClock, StartsAfreshAfterAStallInsteadOfRushingThroughTheMissedFrames) {
    FakeTime time;
    FrameClock clock(time);
    clock.next_frame();
    time.now += 1 * second; // nothing posted for a second
    int64_t before = time.now;
    for (int k = 0; k < 10; ++k) {
        time.now += 1 * ms;
        clock.next_frame();
        if (k > 0) {
            EXPECT_GE(time.now - before, sixtieth(1) - 1000) << "frame " << k;
        }
        before = time.now;
    }
}

// The shared area's mailbox with the renderer's side played by the test.
struct MailboxWorld {
    MailboxWorld() : area(std::make_unique<gpuSharedArea>()), box(gpu_display_mailbox(area.get())) {
        box->magic = gpu_display_mailbox_magic;
        box->log2_width = 9;
        box->height = 240;
    }
    // The renderer posts its next buffer as soon as the last one is taken.
    void renderer_posts() {
        if (box->taken == box->posted) ++box->posted;
    }

    std::unique_ptr<gpuSharedArea> area;
    gpuDisplayMailbox* box;
    std::vector<uint16_t> fb = std::vector<uint16_t>(320 * 240);
};

TEST(DisplayLoop, WithAScanOutFollowsItsAcknowledgementsNotItsOwnClock) {
    MailboxWorld world;
    gpuDisplayMailbox* box = world.box;
    box->scanout_present = gpu_display_scanout_magic;
    FakeTime time;
    // The scan-out acknowledges each taken frame 5 ms after it was taken
    // (200 Hz, as a fast run of the simulator does); a frame taken before
    // the last one was acknowledged is a fault.
    uint32_t seen_taken = 0;
    int64_t taken_at = 0;
    int early = 0;
    time.world = [&] {
        if (box->taken != seen_taken) {
            if (seen_taken != box->scanout_ack) ++early;
            seen_taken = box->taken;
            taken_at = time.now;
        }
        if (box->scanout_ack != box->taken && time.now - taken_at >= 5 * ms)
            box->scanout_ack = box->taken;
        world.renderer_posts();
    };
    world.renderer_posts();
    DisplayLoop loop(world.area.get(), world.fb.data());
    PacingUntil pacing(time, 1 * second);
    const uint64_t frames = loop.run(pacing);
    EXPECT_EQ(early, 0);
    EXPECT_GE(frames, 195u);
    EXPECT_LE(frames, 201u);
}

TEST(DisplayLoop, WithoutAScanOutShowsSixtyFramesASecond) {
    MailboxWorld world;
    FakeTime time;
    time.world = [&] { world.renderer_posts(); };
    world.renderer_posts();
    DisplayLoop loop(world.area.get(), world.fb.data());
    PacingUntil pacing(time, 2 * second);
    const uint64_t frames = loop.run(pacing);
    EXPECT_GE(frames, 119u);
    EXPECT_LE(frames, 121u);
}

} // namespace
} // namespace display
