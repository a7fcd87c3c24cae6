// Outputs failing under the simulator in the middle of the demo: the disk
// filling up under the video, and a file-size limit. Each must end the run
// with a message naming the cause and status 2, never with a crash, and
// leave nothing behind. (Unwritable paths, /dev/full and a full disk under
// the capture are tested with the simulator's own tests.)
#include "fault_run.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

namespace fault {
namespace {

using sim::test::ProcessResult;
using sim::test::TempDir;

std::string demo_script() {
    return shell_word(coreseed) + " " + shell_word(renderer_image) + " >/dev/null && exec " +
           shell_word(lumenfall) + " >/dev/null";
}

TEST(OutputFaults, DiskFillingUnderTheVideoStopsTheRunWithStatusTwo) {
    TempDir tmp, out;
    const std::string video = out.path() + "/demo.y4m";
    // Room for the header and four frames (230,406 bytes each) and part of
    // the fifth.
    sim::test::ProcessOptions options;
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.env = {
        {"TMPDIR", tmp.path()},
        {"LD_PRELOAD", disk_full_shim},
        {"LUMENFALL_TEST_VIDEO_ROOM", "1000000"},
        // A sanitised simulator takes the shim ahead of its runtime.
        {"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0"}};
    options.timeout_seconds = 120;
    const ProcessResult r = sim::test::run({handheld_sim, "--fast", "--no-window", "--no-progress",
                                            "--video", video, "--", "sh", "-c", demo_script()},
                                           options);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 2) << r.err;
    EXPECT_NE(r.err.find("cannot write video file '" + video + "': No space left on device"),
              std::string::npos)
        << r.err;
    const Summary s = parse_summary(r.err);
    ASSERT_TRUE(s.parsed) << r.err;
    EXPECT_EQ(s.exit_status, 2);
    // The demo was stopped instead of playing on with nowhere to record.
    EXPECT_GE(s.frames, 4u);
    EXPECT_LT(s.frames, demo_frames);
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(OutputFaults, FileSizeLimitIsAnErrorNotACrash) {
    TempDir tmp, out;
    // 1 MiB: enough for the video's header, far too little for the memory
    // file. A write past the limit raises SIGXFSZ, whose default action
    // would kill the simulator with a core dump.
    sim::test::ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}};
    const ProcessResult r = sim::test::run(
        {"sh", "-c", "ulimit -f 2048 && exec \"$@\"", "sh", handheld_sim, "--no-window", "--video",
         out.path() + "/demo.y4m", "--", "touch", out.path() + "/ran"},
        options);
    EXPECT_EQ(r.exit_status, 2) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(parse_summary(r.err).exit_status, 2) << r.err;
    EXPECT_EQ(out.entries(), std::vector<std::string>{"demo.y4m"}) << "the command ran";
    EXPECT_TRUE(tmp.entries().empty());
}

} // namespace
} // namespace fault
