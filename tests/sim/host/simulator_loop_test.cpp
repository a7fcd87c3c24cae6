// The main loop in-process, with a stand-in window and output: real-time
// pacing, a window closed by the user, and a stop signal forwarded to the
// command.
#include "core_control.h"
#include "host_clock.h"
#include "host_config.h"
#include "signals.h"
#include "sim_dir.h"
#include "sim_memory.h"
#include "simulator.h"

#include <csignal>
#include <gtest/gtest.h>

namespace sim {
namespace {

// Records when each frame arrived; closes after a number of pumps.
class FakeWindow : public out::Window {
  public:
    explicit FakeWindow(int pumps_before_close) : pumps_left_(pumps_before_close) {}
    void draw(const uint8_t*) override {}
    out::WindowInput pump() override {
        out::WindowInput input;
        input.closed = pumps_left_-- <= 0;
        return input;
    }
    void consume(const renderer::RgbFrame& frame, uint64_t number) override {
        EXPECT_EQ(number, times.size());
        EXPECT_EQ(frame.rgb.size(), 320u * 240 * 3);
        times.push_back(monotonic_ns());
    }
    std::vector<int64_t> times;

  private:
    int pumps_left_;
};

struct Machine {
    SimDir dir{std::vector<uint8_t>(config::fb_bytes)};
    SimMemory memory{dir.mem_fd()};
    CoreControl core{memory, true};

    RunSetup setup(ChildProcess& child, FakeWindow& window, bool fast) {
        RunSetup s;
        s.fast = fast;
        s.progress = false;
        s.memory = &memory;
        s.core = &core;
        s.child = &child;
        s.window = &window;
        s.sinks = {&window};
        return s;
    }
};

TEST(SimulatorLoop, DisplaysAtMostOneFramePerSixtiethOfASecondTick) {
    signals::install();
    Machine m;
    FakeWindow window(1'000'000);
    ChildProcess child({SIM_TEST_CLIENT_PATH, "frames", "20"}, m.dir.path());
    RunResult result;
    run_simulation(m.setup(child, window, false), result);
    EXPECT_EQ(child.exit_status(), 0);
    ASSERT_EQ(result.frames, 20u);
    ASSERT_EQ(window.times.size(), 20u);
    // Frames land on a grid of ticks, at most one per tick. The time seen
    // here is when a frame reached the output, which on a loaded machine may
    // be well into the next tick; after such a delay the loop displays the
    // next frame at once and then keeps to the grid. So two frames may come
    // close together, never four: that would be a burst.
    for (size_t i = 3; i < window.times.size(); ++i)
        EXPECT_GE(window.times[i] - window.times[i - 3], config::display_tick_ns)
            << "frames " << i - 3 << " to " << i;
    // 20 frames at 60 a second take about a third of a second.
    EXPECT_GE(result.nanoseconds, 19 * config::display_tick_ns);
}

TEST(SimulatorLoop, FastModeDisplaysAsSoonAsFramesAreShown) {
    signals::install();
    Machine m;
    FakeWindow window(1'000'000);
    ChildProcess child({SIM_TEST_CLIENT_PATH, "frames", "200"}, m.dir.path());
    RunResult result;
    run_simulation(m.setup(child, window, true), result);
    EXPECT_EQ(result.frames, 200u);
    // Far quicker than the 3.3 seconds of real time.
    EXPECT_LT(result.nanoseconds, 3'000'000'000);
}

TEST(SimulatorLoop, ClosingTheWindowEndsTheRunWhileTheCommandStillRuns) {
    signals::install();
    Machine m;
    FakeWindow window(3);
    ChildProcess child({"sleep", "30"}, m.dir.path());
    RunResult result;
    run_simulation(m.setup(child, window, false), result);
    EXPECT_TRUE(result.window_closed);
    EXPECT_FALSE(child.exited());
    child.stop(SIGTERM, config::child_stop_grace_ns);
    EXPECT_EQ(child.exit_status(), 128 + SIGTERM);
}

TEST(SimulatorLoop, ForwardsAStopSignalAndEndsWithTheCommand) {
    signals::install();
    Machine m;
    FakeWindow window(1'000'000);
    // The command ignores the first SIGINT's default action and exits 7.
    ChildProcess child({"sh", "-c", "trap 'exit 7' INT; sleep 30 & wait"}, m.dir.path());
    sleep_ns(200'000'000);
    ::raise(SIGINT);
    RunResult result;
    const int64_t start = monotonic_ns();
    run_simulation(m.setup(child, window, false), result);
    EXPECT_LT(monotonic_ns() - start, 2'000'000'000);
    EXPECT_TRUE(child.exited());
    EXPECT_EQ(child.exit_status(), 7);
}

} // namespace
} // namespace sim
