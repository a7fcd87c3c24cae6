// The simulator as a program: exit status, devices, cleanup, signals, the
// second core driven by a loader, and the hint to a client left waiting.
#include "sim_run_helpers.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace sim::test {
namespace {

bool process_exists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

pid_t read_pid(const std::string& path) {
    pid_t pid = 0;
    std::ifstream(path) >> pid;
    return pid;
}

TEST(HandheldSim, PassesOnTheCommandsExitStatusAndEndsWithTheSummary) {
    TempDir tmp;
    struct Case {
        std::vector<std::string> command;
        int status;
    };
    const Case cases[] = {
        {{"sh", "-c", "exit 3"}, 3},
        {{"true"}, 0},
        {{"sh", "-c", "kill -TERM $$"}, 128 + SIGTERM},
        {{"no-such-program-anywhere"}, 127},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--no-window", "--"};
        args.insert(args.end(), c.command.begin(), c.command.end());
        const ProcessResult r = run_sim(args, tmp.path());
        EXPECT_EQ(r.exit_status, c.status) << r.err;
        const Summary s = parse_summary(r.err);
        ASSERT_TRUE(s.parsed) << r.err;
        EXPECT_EQ(s.exit_status, c.status);
        EXPECT_EQ(s.frames, 0u);
    }
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, UsageErrorsAndHelp) {
    TempDir tmp;
    ProcessResult r = run_sim({"--bogus", "--", "true"}, tmp.path());
    EXPECT_EQ(r.exit_status, 2);
    EXPECT_NE(r.err.find("unknown option '--bogus'"), std::string::npos) << r.err;
    r = run_sim({"--help"}, tmp.path());
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_NE(r.out.find("Usage: handheld-sim"), std::string::npos);
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, GivesTheCommandItsDevicesWithTheMenuInTheFrameBuffer) {
    TempDir tmp, files;
    // A pure red menu picture: every frame buffer pixel reads 0xF800.
    const std::string menu = files.path() + "/red.ppm";
    std::string ppm = "P6\n320 240\n255\n";
    for (int i = 0; i < 320 * 240; ++i)
        ppm += std::string("\xff\x00\x00", 3);
    std::ofstream(menu, std::ios::binary) << ppm;
    const ProcessResult r =
        run_sim({"--no-window", "--menu", menu, "--", "sh", "-c",
                 "stat -c %s \"$LUMENFALL_SIM_DIR/mem\" \"$LUMENFALL_SIM_DIR/fb0\" && "
                 "od -An -tx1 -N4 \"$LUMENFALL_SIM_DIR/fb0\" && od -An -tx1 -j153596 "
                 "\"$LUMENFALL_SIM_DIR/fb0\""},
                tmp.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, "3221291008\n153600\n 00 f8 00 f8\n 00 f8 00 f8\n");
}

TEST(HandheldSim, RefusesABadMenuPictureBeforeRunningAnything) {
    TempDir tmp, files;
    const std::string small = files.path() + "/small.ppm";
    std::ofstream(small, std::ios::binary) << "P6 16 16 255\n" << std::string(16 * 16 * 3, 'x');
    const std::string cut = files.path() + "/cut.ppm";
    std::ofstream(cut, std::ios::binary) << "P6 320 240 255\n" << std::string(5000, 'x');
    struct Case {
        std::string path;
        const char* expected;
    };
    const Case cases[] = {
        {files.path() + "/missing.png", "No such file"},
        {small, "is 16x16; it must be exactly 320x240"},
        {cut, "truncated PPM"},
    };
    for (const Case& c : cases) {
        const std::string marker = files.path() + "/ran";
        const ProcessResult r =
            run_sim({"--no-window", "--menu", c.path, "--", "touch", marker}, tmp.path());
        EXPECT_EQ(r.exit_status, 2);
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.path), std::string::npos) << r.err;
        EXPECT_FALSE(std::ifstream(marker).good()) << "the command ran";
    }
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, LeavesNoProcessBehindWhenTheCommandExits) {
    TempDir tmp, files;
    const std::string pidfile = files.path() + "/pid";
    // The background sleep outlives its shell, which exits at once.
    const ProcessResult r =
        run_sim({"--no-window", "--", "sh", "-c", "sleep 30 & echo $! > " + pidfile}, tmp.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    const pid_t orphan = read_pid(pidfile);
    ASSERT_GT(orphan, 0);
    EXPECT_FALSE(process_exists(orphan));
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, ForwardsSigtermAndCleansUp) {
    TempDir tmp, files;
    const std::string pidfile = files.path() + "/pid";
    ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}};
    options.timeout_seconds = 30;
    Process sim({handheld_sim, "--no-window", "--", "sh", "-c",
                 "sleep 30 & echo $! > " + pidfile + "; wait"},
                options);
    // Wait for the command to be under way: its grandchild wrote its pid.
    for (int i = 0; i < 500 && read_pid(pidfile) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const pid_t grandchild = read_pid(pidfile);
    ASSERT_GT(grandchild, 0);
    ASSERT_EQ(tmp.entries().size(), 1u); // the simulator's folder
    ::kill(sim.pid(), SIGTERM);
    const ProcessResult r = sim.wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 128 + SIGTERM) << r.err;
    EXPECT_TRUE(parse_summary(r.err).parsed) << r.err;
    EXPECT_FALSE(process_exists(grandchild));
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, InterruptReachesTheProgramAShellIsWaitingFor) {
    TempDir tmp, files;
    const std::string started = files.path() + "/started";
    ProcessOptions options;
    options.env = {{"TMPDIR", tmp.path()}};
    options.timeout_seconds = 30;
    // The shell waits for its foreground program; only if the interrupt
    // reaches that program too does the job end before the grace period.
    Process sim({handheld_sim, "--no-window", "--", "sh", "-c",
                 "touch " + started + "; sleep 30; echo after"},
                options);
    for (int i = 0; i < 500 && !std::ifstream(started).good(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto before = std::chrono::steady_clock::now();
    ::kill(sim.pid(), SIGINT);
    const ProcessResult r = sim.wait();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_EQ(r.exit_status, 128 + SIGINT) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, SurvivesACommandThatTruncatesTheMemoryFile) {
    TempDir tmp;
    // The simulator's next look at the registers or the FIFO touches a page
    // past the new end of the file.
    const ProcessResult r = run_sim({"--no-window", "--renderer-now", "--", "sh", "-c",
                                     "truncate -s 0 \"$LUMENFALL_SIM_DIR/mem\"; sleep 5"},
                                    tmp.path(), 20);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 2) << r.err;
    EXPECT_NE(r.err.find("the memory file was truncated while in use"), std::string::npos) << r.err;
    EXPECT_TRUE(tmp.entries().empty());
}

TEST(HandheldSim, RunsTheRendererOnceTheLoaderHasPlacedItsImage) {
    TempDir tmp;
    const ProcessResult r =
        run_sim({"--fast", "--no-window", "--", "sh", "-c",
                 test_loader + " load " + renderer_image + " && " + test_client + " frames 3"},
                tmp.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    const Summary s = parse_summary(r.err);
    EXPECT_EQ(s.frames, 3u) << r.err;
    EXPECT_EQ(s.renderer_errors, 0u);
}

TEST(HandheldSim, AForeignProgramLeavesTheCoreIdle) {
    TempDir tmp, files;
    const std::string program = files.path() + "/prog.bin";
    std::ofstream(program, std::ios::binary) << std::string("\x7f"
                                                            "ELF\x01\x01\x01",
                                                            8)
                                             << std::string(56, 'x');
    const ProcessResult r =
        run_sim({"--fast", "--no-window", "--", test_loader, "load", program}, tmp.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_NE(r.err.find("handheld-sim: second core released, but the memory at 0x02000000 "
                         "holds no renderer image (it starts with 7f 45 4c 46 01 01 01 00"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(parse_summary(r.err).frames, 0u);
}

TEST(HandheldSim, HoldingTheCoreStopsTheRenderer) {
    TempDir tmp;
    // After the hold, the queued reset is never executed, and the run ends
    // with the command instead of waiting for it.
    const ProcessResult r =
        run_sim({"--fast", "--no-window", "--", "sh", "-c",
                 test_loader + " load " + renderer_image + " && " + test_client + " frames 2 && " +
                     test_loader + " hold && " + test_client + " queue 50"},
                tmp.path(), 20);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(parse_summary(r.err).frames, 2u) << r.err;
}

TEST(HandheldSim, HintsAtTheLoaderWhenAClientWaitsForNoRenderer) {
    TempDir tmp;
    const ProcessResult r =
        run_sim({"--no-window", "--", test_client, "queue", "2600"}, tmp.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_NE(r.err.find("waiting for the renderer for 2 seconds"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("coreseed " + renderer_image + " && lumenfall"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--renderer-now"), std::string::npos);

    // A client that does not wait that long gets no hint.
    const ProcessResult quick =
        run_sim({"--no-window", "--", test_client, "queue", "300"}, tmp.path());
    EXPECT_EQ(quick.err.find("waiting for the renderer"), std::string::npos) << quick.err;
}

} // namespace
} // namespace sim::test
