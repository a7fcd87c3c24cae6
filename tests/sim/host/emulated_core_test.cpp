// The emulated second core driven as a loader drives it: tiny programs,
// assembled here, that count in memory or fault on purpose.
#include "sim_run_helpers.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace sim::test {
namespace {

// Assembles ARM source into a flat image in dir; empty when the cross
// assembler is missing.
std::string assemble(const TempDir& dir, const std::string& name, const std::string& source) {
    const std::string base = dir.path() + "/" + name;
    std::ofstream(base + ".s") << ".arm\n" << source << "\n";
    if (run({"arm-none-eabi-as", "-march=armv4t", base + ".s", "-o", base + ".o"}).exit_status !=
            0 ||
        run({"arm-none-eabi-objcopy", "-O", "binary", base + ".o", base + ".bin"}).exit_status != 0)
        return {};
    return base + ".bin";
}

bool emulation_built(const TempDir& tmp) {
    const ProcessResult r =
        run_sim({"--no-window", "--second-core", "emulated", "--", "true"}, tmp.path());
    return r.err.find("not in this build") == std::string::npos;
}

// Reads a word of the second core's memory from inside the simulator.
const char* const read_word_function =
    "rd() { od -An -tu4 -j $((0x02000000 + $1)) -N4 \"$LUMENFALL_SIM_DIR/mem\" | tr -d ' '; }; ";

TEST(EmulatedCore, StopsWhileHeldRestartsFromItsFirstWordAndIsReplacedByALoad) {
    TempDir tmp, files;
    // Counts starts at 0x1004 and then counts up at 0x1000 from 0.
    const std::string counter = assemble(files, "counter",
                                         "ldr r1, =0x1000\n ldr r2, [r1, #4]\n add r2, r2, #1\n"
                                         " str r2, [r1, #4]\n mov r0, #0\n"
                                         "1: add r0, r0, #1\n str r0, [r1]\n b 1b");
    // Leaves a mark at 0x1008 and stops there.
    const std::string marker = assemble(files, "marker",
                                        "ldr r1, =0x1000\n ldr r0, =0xb0b\n"
                                        " str r0, [r1, #8]\n b .");
    if (counter.empty() || marker.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
    if (!emulation_built(tmp)) GTEST_SKIP() << "this build has no emulated second core";

    // Each step waits (up to 10 s) for the simulator to notice the loader's
    // register writes instead of sleeping a fixed time, so that a busy
    // machine cannot fail it; a core that never stops, restarts or reloads
    // still fails, on the values read after the wait gives up.
    const std::string loader = test_loader;
    const std::string script =
        std::string(read_word_function) +
        "wait_for() { i=0; while ! eval \"$1\" && [ $i -lt 200 ]; do i=$((i+1)); sleep 0.05; "
        "done; }; " +
        loader + " load " + counter +
        "; wait_for '[ \"$(rd 0x1000)\" -gt 0 ]'; c1=$(rd 0x1000); " + loader +
        " hold; wait_for 'x=$(rd 0x1000); sleep 0.1; [ \"$(rd 0x1000)\" = \"$x\" ]'; "
        "h1=$(rd 0x1000); sleep 0.3; h2=$(rd 0x1000); " +
        loader + " release; wait_for '[ \"$(rd 0x1004)\" -ge 2 ]'; starts=$(rd 0x1004); " +
        loader + " load " + marker +
        "; wait_for '[ \"$(rd 0x1008)\" = 2827 ]'; mark=$(rd 0x1008); a1=$(rd 0x1000); "
        "sleep 0.2; a2=$(rd 0x1000); echo $c1 $h1 $h2 $starts $mark $a1 $a2";
    const ProcessResult r =
        run_sim({"--no-window", "--second-core", "emulated", "--", "sh", "-c", script}, tmp.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;
    unsigned long long counted, held1, held2, starts, mark, after1, after2;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "%llu %llu %llu %llu %llu %llu %llu", &counted, &held1,
                          &held2, &starts, &mark, &after1, &after2),
              7)
        << r.out;
    EXPECT_GT(counted, 0u) << "the released program ran";
    EXPECT_EQ(held1, held2) << "the held core stopped";
    EXPECT_EQ(starts, 2u) << "the release restarted the program at its first word";
    EXPECT_EQ(mark, 0xb0bu) << "the second load runs the new program";
    EXPECT_EQ(after1, after2) << "and the old one no longer counts";
    EXPECT_TRUE(tmp.entries().empty());
}

// The start code programs the protection unit, the caches and the clocking
// mode of the handheld's second core before anything else: a model that
// faulted on any of those writes could run no program.
TEST(EmulatedCore, RunsPastTheProtectionUnitCacheAndClockingSetup) {
    TempDir tmp, files;
    const std::string setup = assemble(
        files, "setup",
        // Instruction and data regions (base, size, enable), 0 and 7 of each.
        "ldr r0, =0x27\n mcr p15, 0, r0, c6, c0, 1\n mcr p15, 0, r0, c6, c0, 0\n"
        " ldr r0, =0x1F00017\n mcr p15, 0, r0, c6, c7, 0\n"
        // Cacheable (data, instruction), bufferable, access permissions.
        " mov r0, #1\n mcr p15, 0, r0, c2, c0, 0\n mcr p15, 0, r0, c2, c0, 1\n"
        " mcr p15, 0, r0, c3, c0, 0\n ldr r0, =0x4001\n mcr p15, 0, r0, c5, c0, 0\n"
        " mov r0, #1\n mcr p15, 0, r0, c5, c0, 1\n"
        // Cache operations: flush both caches, clean and flush a line by
        // index, drain the write buffer; read the lockdown registers.
        " mov r0, #0\n mcr p15, 0, r0, c7, c5, 0\n mcr p15, 0, r0, c7, c6, 0\n"
        " mcr p15, 0, r0, c7, c14, 2\n mcr p15, 0, r0, c7, c10, 4\n"
        " mrc p15, 0, r1, c9, c0, 0\n mrc p15, 0, r1, c9, c0, 1\n"
        // Protection unit and both caches on, then the clocking bits.
        " mrc p15, 0, r0, c1, c0, 0\n ldr r1, =0x1005\n orr r0, r0, r1\n"
        " mcr p15, 0, r0, c1, c0, 0\n orr r0, r0, #0xC0000000\n mcr p15, 0, r0, c1, c0, 0\n"
        // The mark, in the program's first MiB, which region 0 covers.
        " ldr r1, =0x1000\n ldr r0, =0xb0b\n str r0, [r1, #8]\n b .");
    if (setup.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
    if (!emulation_built(tmp)) GTEST_SKIP() << "this build has no emulated second core";
    const std::string script = std::string(read_word_function) + test_loader + " load " + setup +
                               "; i=0; while [ \"$(rd 0x1008)\" != 2827 ] && [ $i -lt 200 ]; do "
                               "i=$((i+1)); sleep 0.05; done; rd 0x1008";
    const ProcessResult r =
        run_sim({"--no-window", "--second-core", "emulated", "--", "sh", "-c", script}, tmp.path());
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, "2827\n") << r.err;
}

TEST(EmulatedCore, FaultsEndTheRunWithTheirMessageAndStatusTwoLeavingNothingBehind) {
    TempDir tmp, files;
    struct Case {
        const char* name;
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"undefined", "nop\n nop\n .word 0xe7f000f0",
         "undefined instruction 0xe7f000f0, at pc 0x00000008"},
        {"wild_store", "nop\n ldr r1, =0x02000000\n str r0, [r1]",
         "store to 0x02000000, outside the second core's memory, in the code from pc 0x00000000"},
        // Protection on with one data region, the program's MiB: video
        // memory is left out.
        {"region_left_out",
         "ldr r0, =0x27\n mcr p15, 0, r0, c6, c0, 0\n mcr p15, 0, r0, c6, c0, 1\n"
         " mov r0, #3\n mcr p15, 0, r0, c5, c0, 0\n mcr p15, 0, r0, c5, c0, 1\n"
         " mrc p15, 0, r0, c1, c0, 0\n orr r0, r0, #1\n mcr p15, 0, r0, c1, c0, 0\n"
         " ldr r1, =0x200000\n str r0, [r1]",
         "store to 0x00200000, which the data-side protection regions do not permit, in the code "
         "from pc 0x00000024"},
        // Puts a word in the FIFO for itself (fifo_write at 0x1FFFF0) and
        // never reads it.
        {"endless_loop", "ldr r1, =0x1FFFF0\n mov r0, #4\n str r0, [r1]\n b .",
         "no progress in 3 seconds of running while the FIFO holds commands, at pc 0x0000000c"},
    };
    for (const Case& c : cases) {
        const std::string program = assemble(files, c.name, c.source);
        if (program.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
        if (!emulation_built(tmp)) GTEST_SKIP() << "this build has no emulated second core";
        const std::string pidfile = files.path() + "/" + c.name + ".pid";
        const ProcessResult r =
            run_sim({"--no-window", "--second-core", "emulated", "--", "sh", "-c",
                     // The sleeper first: a fault can end the run before
                     // anything after the load would start.
                     "sleep 30 & echo $! > " + pidfile + "; " + std::string(test_loader) +
                         " load " + program + "; wait"},
                    tmp.path(), 20);
        EXPECT_FALSE(r.timed_out) << c.name;
        EXPECT_EQ(r.exit_status, 2) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find("second core fault: " + std::string(c.message)), std::string::npos)
            << c.name << "\n"
            << r.err;
        EXPECT_EQ(parse_summary(r.err).exit_status, 2) << r.err;
        pid_t sleeper = 0;
        std::ifstream(pidfile) >> sleeper;
        ASSERT_GT(sleeper, 0) << c.name;
        EXPECT_TRUE(::kill(sleeper, 0) != 0 && errno == ESRCH)
            << c.name << ": the command lives on";
        EXPECT_TRUE(tmp.entries().empty()) << c.name;
    }
}

} // namespace
} // namespace sim::test
