// The simulator killed in the middle of the demo, outright or asked to stop:
// nothing of the run stays behind, neither a process of its session (the
// demo, the shell that waits for it, a background job, the guardian) nor its
// private folder.
#include "fault_run.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace fault {
namespace {

using sim::test::ProcessResult;
using sim::test::TempDir;

// The demo plays as a grandchild of the simulator, beside a background job;
// the marker file appears once 200 frames have been displayed.
struct RunningDemo {
    TempDir tmp;
    TempDir files;
    std::string marker = files.path() + "/playing";
    std::unique_ptr<sim::test::Process> sim;

    RunningDemo() {
        const std::string script =
            "sleep 300 &\n" + shell_word(coreseed) + " " + shell_word(renderer_image) +
            " >/dev/null || exit 10\n" + shell_word(lumenfall) + " >/dev/null &\n" +
            shell_word(frame_watch) + " reach 200 120 && touch " + shell_word(marker) + "\nwait\n";
        sim::test::ProcessOptions options;
        options.env = {{"TMPDIR", tmp.path()}};
        options.timeout_seconds = 60;
        // A session of its own, so that every process of the run can be
        // found afterwards by its session id, the simulator's pid.
        sim = std::make_unique<sim::test::Process>(
            std::vector<std::string>{"setsid", handheld_sim, "--fast", "--no-window",
                                     "--no-progress", "--", "sh", "-c", script},
            options);
    }

    bool playing() const { return std::ifstream(marker).good(); }
};

void expect_nothing_left(pid_t session, const TempDir& tmp) {
    std::vector<std::string> left;
    EXPECT_TRUE(eventually(10,
                           [&] {
                               left = live_processes_in_session(session);
                               return left.empty();
                           }))
        << "still running: " << testing::PrintToString(left);
    EXPECT_TRUE(eventually(10, [&] { return tmp.entries().empty(); }))
        << "left in TMPDIR: " << testing::PrintToString(tmp.entries());
}

TEST(SimulatorKilled, OutrightLeavesNoProcessAndNoFolder) {
    RunningDemo run;
    ASSERT_TRUE(eventually(120, [&] { return run.playing(); }));
    ASSERT_EQ(run.tmp.entries().size(), 1u); // the simulator's folder
    const pid_t session = run.sim->pid();
    ::kill(session, SIGKILL);
    const ProcessResult r = run.sim->wait();
    EXPECT_EQ(r.exit_status, 128 + SIGKILL);
    expect_nothing_left(session, run.tmp);
}

TEST(SimulatorKilled, StopSignalEndsTheRunWithItsSummaryAndLeavesNothing) {
    RunningDemo run;
    ASSERT_TRUE(eventually(120, [&] { return run.playing(); }));
    const pid_t session = run.sim->pid();
    ::kill(session, SIGTERM);
    const ProcessResult r = run.sim->wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 128 + SIGTERM) << r.err;
    const Summary s = parse_summary(r.err);
    ASSERT_TRUE(s.parsed) << r.err;
    EXPECT_EQ(s.exit_status, 128 + SIGTERM);
    EXPECT_GE(s.frames, 200u);
    EXPECT_LT(s.frames, demo_frames);
    expect_nothing_left(session, run.tmp);
}

// The emergency exit when a program shrinks the memory file kills only the
// command itself; the guardian ends what the command started.
TEST(SimulatorKilled, TruncatedMemoryFileLeavesNoProcessAndNoFolder) {
    TempDir tmp;
    sim::test::ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}};
    options.timeout_seconds = 30;
    sim::test::Process sim({"setsid", handheld_sim, "--renderer-now", "--no-window", "--", "sh",
                            "-c", "sleep 300 & truncate -s 0 \"$LUMENFALL_SIM_DIR/mem\"; wait"},
                           options);
    const pid_t session = sim.pid();
    const ProcessResult r = sim.wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 2) << r.err;
    EXPECT_NE(r.err.find("the memory file was truncated while in use"), std::string::npos) << r.err;
    expect_nothing_left(session, tmp);
}

} // namespace
} // namespace fault
