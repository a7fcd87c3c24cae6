// The demo killed with SIGKILL in the middle of each scene and started again
// in the same simulator: its reset brings the renderer back to the start
// state, whatever the killed run left behind, and the second run plays every
// frame.
#include "fault_run.h"

#include <gtest/gtest.h>

namespace fault {
namespace {

using sim::test::ProcessResult;
using sim::test::TempDir;

struct KillPoint {
    const char* name;
    unsigned frame;
};

void PrintTo(const KillPoint& point, std::ostream* os) {
    *os << point.name << " at frame " << point.frame;
}

class DemoRestart : public testing::TestWithParam<KillPoint> {};

TEST_P(DemoRestart, KilledMidSceneThenStartedAgainPlaysEveryFrame) {
    TempDir tmp;
    const unsigned kill_at = GetParam().frame;
    // One job inside one simulator: load the renderer, start the demo, kill
    // it at the chosen frame, note what was displayed once the display has
    // caught up, then run the demo again to its end.
    const std::string script =
        shell_word(coreseed) + " " + shell_word(renderer_image) + " >/dev/null || exit 10\n" +
        shell_word(lumenfall) + " >/dev/null & demo=$!\n" + shell_word(frame_watch) + " reach " +
        std::to_string(kill_at) +
        " 120 || exit 11\n"
        "kill -KILL $demo\n"
        "wait $demo; echo \"first run: status $?\" >&2\n"
        "echo \"first run: frames $(" +
        shell_word(frame_watch) + " settle)\" >&2\nexec " + shell_word(lumenfall) + " >/dev/null\n";
    sim::test::ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}};
    options.timeout_seconds = 240;
    const ProcessResult r = sim::test::run(
        {handheld_sim, "--fast", "--no-window", "--no-progress", "--", "sh", "-c", script},
        options);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0) << r.err;

    // The kill came while the first run was still playing.
    EXPECT_EQ(reported_number(r.err, "first run: status"), 128 + 9) << r.err;
    const long long first = reported_number(r.err, "first run: frames");
    EXPECT_GE(first, kill_at) << r.err;
    EXPECT_LT(first, static_cast<long long>(demo_frames)) << r.err;

    // Every frame of the second run was displayed, without a renderer error.
    const Summary s = parse_summary(r.err);
    ASSERT_TRUE(s.parsed) << r.err;
    EXPECT_EQ(s.frames, static_cast<unsigned long long>(first) + demo_frames) << r.err;
    EXPECT_EQ(s.renderer_errors, 0u);
    EXPECT_EQ(s.exit_status, 0);
    EXPECT_TRUE(tmp.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Scenes, DemoRestart,
                         testing::Values(KillPoint{"OutsideTheCube", 800},
                                         KillPoint{"InsideTheCube", 2000}),
                         [](const auto& param) { return param.param.name; });

} // namespace
} // namespace fault
