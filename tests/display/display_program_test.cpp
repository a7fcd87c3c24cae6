// lumenfall-display as a process on the simulator's device files, with this
// test in the renderer's place: it takes a posted buffer into the frame
// buffer, waits for the scan-out's acknowledgement while one is present,
// and on SIGTERM first takes what the renderer still owes, unless no
// renderer answers; bad use ends with a message and a status.
#include "display_mailbox.h"
#include "host_config.h"
#include "process_runner.h"
#include "rgb565_convert.h"
#include "sim_dir.h"
#include "sim_memory.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>
#include <vector>

namespace display {
namespace {

using sim::test::Process;
using sim::test::ProcessOptions;

bool wait_for(const uint32_t* word, uint32_t value) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (__atomic_load_n(word, __ATOMIC_ACQUIRE) != value) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<uint16_t> read_fb(const std::string& path) {
    std::ifstream in(path + "/fb0", std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<uint16_t> pixels(bytes.size() / 2);
    std::memcpy(pixels.data(), bytes.data(), pixels.size() * 2);
    return pixels;
}

bool maps_frame_buffer(pid_t pid, const std::string& dir) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
        const std::string text{std::istreambuf_iterator<char>(maps), {}};
        if (text.find(dir + "/fb0") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void post(gpuDisplayMailbox* box, const gpuBufLoc& loc) {
    box->address = loc.address;
    box->log2_width = loc.log2_width;
    box->height = loc.height;
    __atomic_store_n(&box->posted, box->posted + 1, __ATOMIC_RELEASE);
}

TEST(DisplayProgram, ShowsPostsPacedByTheScanOutAndStopsOnSigterm) {
    sim::SimDir dir{std::vector<uint8_t>(sim::config::fb_bytes, 0xAB)};
    sim::SimMemory memory{dir.mem_fd()};
    gpuSharedArea* area = memory.shared_area();
    gpuDisplayMailbox* box = gpu_display_mailbox(area);
    for (uint32_t i = 0; i < (240u << 9); ++i)
        area->video_mem[0x4000 + i] = 0x80108010u + (i & 0xFF) * 0x00010001u; // grey ramps
    box->scanout_present = gpu_display_scanout_magic;
    box->magic = gpu_display_mailbox_magic;

    Process program({LUMENFALL_DISPLAY_PATH},
                    ProcessOptions{{{"LUMENFALL_SIM_DIR", dir.path()}}, 60});
    post(box, {0x4000, 9, 240});
    ASSERT_TRUE(wait_for(&box->taken, 1));
    const std::vector<uint16_t> fb = read_fb(dir.path());
    ASSERT_EQ(fb.size(), static_cast<size_t>(screen_width * screen_height));
    for (int y : {0, 119, 239})
        for (int x : {0, 17, 319})
            EXPECT_EQ(fb[y * screen_width + x],
                      pixel_to_rgb565(area->video_mem[0x4000 + (y << 9) + x]))
                << x << "," << y;

    // The next post waits until the scan-out has seen frame 1.
    post(box, {gpu_video_words, 9, 240}); // outside video memory: black
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(box->taken, 1u);
    __atomic_store_n(&box->scanout_ack, 1u, __ATOMIC_RELEASE);
    ASSERT_TRUE(wait_for(&box->taken, 2));
    EXPECT_EQ(read_fb(dir.path())[0], 0);

    ::kill(program.pid(), SIGTERM);
    const sim::test::ProcessResult result = program.wait();
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
}

// The client has written commands (fifo_write) the renderer has not yet
// drained when the display program is asked to stop.
struct StopCase {
    sim::SimDir dir{std::vector<uint8_t>(sim::config::fb_bytes, 0)};
    sim::SimMemory memory{dir.mem_fd()};
    gpuSharedArea* area = memory.shared_area();
    gpuDisplayMailbox* box = gpu_display_mailbox(area);

    StopCase() {
        area->fifo_write = 29;
        box->drained = gpu_display_not_drained;
        box->magic = gpu_display_mailbox_magic;
    }
    ProcessOptions options() const { return {{{"LUMENFALL_SIM_DIR", dir.path()}}, 60}; }
};

TEST(DisplayProgram, AskedToStopTakesTheFramesTheRendererStillOwes) {
    StopCase c;
    for (uint32_t i = 0; i < (240u << 9); ++i) {
        c.area->video_mem[0x4000 + i] = 0x80108010u;  // black
        c.area->video_mem[0x40000 + i] = 0x80EB80EBu; // white
    }
    Process program({LUMENFALL_DISPLAY_PATH}, c.options());
    post(c.box, {0x4000, 9, 240});
    ASSERT_TRUE(wait_for(&c.box->taken, 1));
    ::kill(program.pid(), SIGTERM);
    // The renderer, still drawing when the client ended, posts its last
    // frame only now.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    post(c.box, {0x40000, 9, 240});
    ASSERT_TRUE(wait_for(&c.box->taken, 2)) << "the last frame was not taken";
    EXPECT_EQ(read_fb(c.dir.path())[320 * 240 - 1], 0xFFFF);
    __atomic_store_n(&c.box->drained, c.area->fifo_write, __ATOMIC_RELEASE);
    const sim::test::ProcessResult result = program.wait();
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
}

TEST(DisplayProgram, StopsAtOnceWithoutARendererAndGivesUpOnASilentOne) {
    using clock = std::chrono::steady_clock;
    const auto seconds_to_stop = [](StopCase& c, std::vector<int> signals) {
        Process program({LUMENFALL_DISPLAY_PATH}, c.options());
        // Its handlers are set before it maps the frame buffer.
        EXPECT_TRUE(maps_frame_buffer(program.pid(), c.dir.path()));
        const auto start = clock::now();
        for (int signal : signals) {
            ::kill(program.pid(), signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(program.wait().exit_status, 0);
        return std::chrono::duration<double>(clock::now() - start).count();
    };
    StopCase held; // the core was held: the mailbox is no longer live
    held.box->magic = 0;
    EXPECT_LT(seconds_to_stop(held, {SIGTERM}), 0.9);
    StopCase silent; // live, but it never drains: one second without progress
    EXPECT_GE(seconds_to_stop(silent, {SIGTERM}), 1.0);
    StopCase twice; // a second signal stops it where it is
    EXPECT_LT(seconds_to_stop(twice, {SIGTERM, SIGINT}), 0.9);
}

TEST(DisplayProgram, BadUseAndMissingDevicesEndWithAMessageAndStatus) {
    sim::test::TempDir empty;
    const ProcessOptions in_empty{{{"LUMENFALL_SIM_DIR", empty.path()}}, 30};
    sim::test::ProcessResult result = sim::test::run({LUMENFALL_DISPLAY_PATH, "--help"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.out.find("Usage: lumenfall-display"), std::string::npos);
    result = sim::test::run({LUMENFALL_DISPLAY_PATH, "--frames"}, in_empty);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_NE(result.err.find("unexpected argument '--frames'"), std::string::npos);
    result = sim::test::run({LUMENFALL_DISPLAY_PATH}, in_empty);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.err.find("open " + empty.path() + "/mem: No such file"), std::string::npos)
        << result.err;
}

} // namespace
} // namespace display
