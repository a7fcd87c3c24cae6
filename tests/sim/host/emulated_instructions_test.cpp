// --instructions on a small sealed image assembled here, whose instructions
// are counted by hand: each run posts a few frames (the program plays the
// display program's part as well), each frame of ARM and Thumb code, then
// waits for the scan-out's acknowledgement; the loader holds it and
// releases it twice, so that the counts go on across three runs.
//
// How long the program polls for an acknowledgement depends on the
// machine, but every poll is the same 8 instructions, and so is every pass
// of the loop it idles in after its last frame. So each line's count is the
// frame's own instructions, known exactly, plus a whole number of 8s.
#include "display_mailbox.h"
#include "host_config.h"
#include "image_check.h"
#include "image_header.h"
#include "sim_run_helpers.h"

#include <cstddef>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <vector>

namespace sim::test {
namespace {

constexpr int frames_per_run = 5;
constexpr int runs = 3;
constexpr uint64_t poll = 8; // instructions of one wait or idle pass

// The program, with its instruction counts:
//   start      7 ARM  (the branch over the header, mailbox and counter
//                      places, runs += 1, r3 = 0)
//   frame     21 ARM work + adr + bx, 28 Thumb work + bx pc,
//              3 ARM (frame number, posted, taken) + the first poll (8)
//   next       2 ARM  (a frame more, or on to idle)
//   idle       8 ARM a pass, for ever
constexpr uint64_t start_instructions = 7;
constexpr uint64_t frame_instructions = 21 + 2 + 28 + 1 + 3 + poll;
constexpr uint64_t next_instructions = 2;

std::string program_source() {
    const uint32_t mailbox = gpu_shared_phys - static_cast<uint32_t>(config::core_memory_phys) +
                             static_cast<uint32_t>(gpu_display_mailbox_offset);
    std::ostringstream s;
    s << ".syntax unified\n.arm\n"
      // The vectors: reset over the header the seal fills in and the
      // halts, every other vector to its own halt.
      << " b start\n";
    for (uint32_t v = 1; v < second_core::image_vector_count; ++v)
        s << " b halt" << v - 1 << "\n";
    s << " .space " << second_core::image_header_end - second_core::image_signature_offset << "\n";
    for (uint32_t h = 0; h < second_core::image_halt_count; ++h)
        s << "halt" << h << ": b halt" << h << "\n";
    s << "start:\n ldr r1, =" << mailbox << "\n ldr r5, =0x1000\n"
      << " ldr r4, [r5, #4]\n add r4, r4, #1\n str r4, [r5, #4]\n mov r3, #0\n"
      << "frame:\n .rept 21\n add r0, r0, #1\n .endr\n adr r0, thumb + 1\n bx r0\n"
      << ".thumb\nthumb:\n .rept 28\n adds r0, #1\n .endr\n"
      // bx pc from a word boundary goes on in ARM state two halfwords on.
      << " .balign 4\n bx pc\n nop\n.arm\n"
      << " add r3, r3, #1\n str r3, [r1, #" << offsetof(gpuDisplayMailbox, posted) << "]\n"
      << " str r3, [r1, #" << offsetof(gpuDisplayMailbox, taken) << "]\n"
      << "wait:\n .rept 5\n nop\n .endr\n ldr r2, [r1, #"
      << offsetof(gpuDisplayMailbox, scanout_ack) << "]\n cmp r2, r3\n bne wait\n"
      << " cmp r3, #" << frames_per_run
      << "\n blt frame\n"
      // Idle: tells the test which run got here.
      << "idle:\n str r4, [r5]\n .rept 6\n nop\n .endr\n b idle\n .ltorg\n";
    return s.str();
}

// The program assembled in dir (flat, its header still blank); empty
// without the cross tools.
std::string assembled_program(const TempDir& dir) {
    const std::string base = dir.path() + "/counted";
    std::ofstream(base + ".s") << program_source();
    if (run({"arm-none-eabi-as", "-march=armv4t", base + ".s", "-o", base + ".o"}).exit_status !=
            0 ||
        run({"arm-none-eabi-objcopy", "-O", "binary", base + ".o", base + ".bin"}).exit_status != 0)
        return {};
    return base + ".bin";
}

TEST(EmulatedInstructions, EachFrameCountsItsOwnInstructionsAcrossHoldsAndReleases) {
    TempDir tmp, files;
    const std::string program = assembled_program(files);
    if (program.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
    std::ifstream in(program, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(second_core::seal_image(bytes.data(), bytes.size()), "");
    const std::string image = files.path() + "/counted.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (run_sim({"--no-window", "--second-core", "emulated", "--", "true"}, tmp.path())
            .err.find("not in this build") != std::string::npos)
        GTEST_SKIP() << "this build has no emulated second core";

    // Waits up to 10 s for the run that has reached its idle loop.
    std::string script =
        "rd() { od -An -tu4 -j $((0x02001000)) -N4 \"$LUMENFALL_SIM_DIR/mem\" | tr -d ' '; }; "
        "idle_in() { i=0; while [ \"$(rd)\" != $1 ] && [ $i -lt 200 ]; do i=$((i+1)); "
        "sleep 0.05; done; [ \"$(rd)\" = $1 ]; }; " +
        test_loader + " load " + image + " && idle_in 1";
    for (int run = 2; run <= runs; ++run)
        script += " && " + test_loader + " hold && " + test_loader + " release && idle_in " +
                  std::to_string(run);
    const std::string counts = files.path() + "/counts.txt";
    const ProcessResult r = run_sim({"--no-window", "--fast", "--second-core", "emulated",
                                     "--instructions", counts, "--", "sh", "-c", script},
                                    tmp.path());
    ASSERT_EQ(r.exit_status, 0) << r.err;

    std::ifstream lines_in(counts);
    std::vector<uint64_t> lines;
    for (uint64_t number = 0, count = 0; lines_in >> number >> count;) {
        ASSERT_EQ(number, lines.size());
        lines.push_back(count);
    }
    ASSERT_EQ(lines.size(), size_t{runs} * frames_per_run);
    for (size_t frame = 0; frame < lines.size(); ++frame) {
        // The first frame of a run starts with the program; the first of a
        // later run also holds the run before's last polls, its step to
        // idle and its idle passes.
        const uint64_t own = frame == 0 ? start_instructions + frame_instructions
                             : frame % frames_per_run == 0
                                 ? next_instructions + start_instructions + frame_instructions
                                 : next_instructions + frame_instructions;
        EXPECT_GE(lines[frame], own) << "frame " << frame;
        EXPECT_EQ((lines[frame] - own) % poll, 0u)
            << "frame " << frame << ": " << lines[frame] << " is not " << own << " + polls";
        // Seconds of polling at the engine's pace, not a count that wrapped.
        EXPECT_LT(lines[frame], uint64_t{1} << 40) << "frame " << frame;
    }
}

} // namespace
} // namespace sim::test
