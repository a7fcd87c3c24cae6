// The second core's control registers against a real memory file: hold and
// release in the order a loader uses, with the renderer image, with a
// foreign program and with the bits set only halfway.
#include "core_control.h"
#include "host_config.h"
#include "image_check.h"
#include "image_header.h"
#include "renderer_image.h"
#include "sim_dir.h"
#include "sim_memory.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace sim {
namespace {

// A small program as the build seals it: the vectors (reset into the code,
// the others to their halts), the blank header, the halts, a few words of
// code.
std::vector<uint8_t> sealed_program() {
    std::vector<uint8_t> image(128, 0);
    auto put = [&](size_t at, uint32_t word) { std::memcpy(image.data() + at, &word, 4); };
    put(0, 0xEA000013); // b 0x54, the first word after the halts
    for (uint32_t v = 1; v < 8; ++v)
        put(4 * v, 0xEA00000A); // b to halt v - 1, 40 bytes ahead of the pipeline's pc
    for (uint32_t h = 0; h < 8; ++h)
        put(second_core::image_halts_offset + 4 * h, 0xEAFFFFFE);
    for (size_t i = second_core::image_code_offset; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(second_core::seal_image(image.data(), image.size()), "");
    return image;
}

class CoreControlTest : public ::testing::Test {
  protected:
    SimDir dir{std::vector<uint8_t>(config::fb_bytes)};
    SimMemory memory{dir.mem_fd()};

    uint8_t* core() { return const_cast<uint8_t*>(memory.core_memory()); }

    void hold() {
        memory.write_register(config::reg_core_control,
                              (memory.read_register(config::reg_core_control) & 0xFF00) | 0x82);
        memory.write_register(config::reg_core_enable,
                              memory.read_register(config::reg_core_enable) & 0xFFFE);
    }
    void release() {
        memory.write_register(config::reg_core_enable,
                              memory.read_register(config::reg_core_enable) | 1);
        memory.write_register(config::reg_core_control,
                              memory.read_register(config::reg_core_control) & 0xFF7F);
    }
    void load(const uint8_t* bytes, size_t n) {
        hold();
        std::memcpy(core(), bytes, n);
        release();
    }
};

TEST_F(CoreControlTest, StartsHeldAndRunsTheRendererOnlyFromItsImage) {
    CoreControl control(memory, false);
    EXPECT_EQ(memory.read_register(config::reg_core_control), 0x0082);
    EXPECT_EQ(memory.read_register(config::reg_core_enable), 0x0000);
    EXPECT_EQ(control.poll(), CoreEvent::none);

    // Released with nothing loaded: the core stays idle and says why.
    release();
    EXPECT_EQ(control.poll(), CoreEvent::foreign_program);
    EXPECT_NE(control.refusal().find("blank"), std::string::npos);
    EXPECT_FALSE(control.renderer_running());
    EXPECT_EQ(control.poll(), CoreEvent::none);

    const std::vector<uint8_t> image = sealed_program();
    load(image.data(), image.size());
    // The poll between hold and release was skipped here, as when a loader
    // runs between two polls; the core was idle, so only the release counts.
    hold();
    EXPECT_EQ(control.poll(), CoreEvent::none);
    release();
    EXPECT_EQ(control.poll(), CoreEvent::renderer_started);
    EXPECT_TRUE(control.renderer_running());
    EXPECT_EQ(control.poll(), CoreEvent::none);

    hold();
    EXPECT_EQ(control.poll(), CoreEvent::renderer_stopped);
    EXPECT_FALSE(control.renderer_running());

    const uint8_t elf[8] = {0x7f, 'E', 'L', 'F', 1, 1, 1, 0};
    load(elf, sizeof elf);
    EXPECT_EQ(control.poll(), CoreEvent::foreign_program);
    EXPECT_NE(control.refusal().find("7f 45 4c 46 01 01 01 00"), std::string::npos)
        << control.refusal();
}

TEST_F(CoreControlTest, ReleaseNeedsBothTheHoldBitClearAndTheEnableBitSet) {
    const std::vector<uint8_t> image = sealed_program();
    std::memcpy(core(), image.data(), image.size());
    CoreControl control(memory, false);

    memory.write_register(config::reg_core_control, 0x0002); // hold bit cleared only
    EXPECT_EQ(control.poll(), CoreEvent::none);
    memory.write_register(config::reg_core_control, 0xFF82); // enabled but held
    memory.write_register(config::reg_core_enable, 0x0001);
    EXPECT_EQ(control.poll(), CoreEvent::none);
    // The other bits of both registers do not matter.
    memory.write_register(config::reg_core_control, 0xFF02);
    memory.write_register(config::reg_core_enable, 0xFFFF);
    EXPECT_EQ(control.poll(), CoreEvent::renderer_started);
    memory.write_register(config::reg_core_enable, 0xFFFE);
    EXPECT_EQ(control.poll(), CoreEvent::renderer_stopped);
}

TEST_F(CoreControlTest, RendererNowStartsAtOnceWithRunningRegisters) {
    CoreControl control(memory, true);
    EXPECT_EQ(memory.read_register(config::reg_core_control), 0x0002);
    EXPECT_EQ(memory.read_register(config::reg_core_enable), 0x0001);
    EXPECT_EQ(control.poll(), CoreEvent::renderer_started);
    EXPECT_EQ(control.poll(), CoreEvent::none);
    // The loader can still take the core over.
    hold();
    EXPECT_EQ(control.poll(), CoreEvent::renderer_stopped);
}

TEST(RendererImage, AcceptsASealedProgramAndExplainsEveryOtherContent) {
    std::vector<uint8_t> memory(second_core::image_max_bytes, 0);
    const std::vector<uint8_t> good = sealed_program();
    std::copy(good.begin(), good.end(), memory.begin());
    EXPECT_EQ(renderer_image_problem(memory.data()), "");

    struct Case {
        size_t offset;
        uint8_t value;
        const char* expected;
    };
    const Case cases[] = {
        {32, 'X', "the renderer image signature"},
        {39, 1, "the renderer image signature"}, // the terminating zero
        {3, 0xE1, "not with exception vectors"}, // the reset vector no branch
        {40, 3, "version 3"},
        {46, 0x20, "size word"},                // 2 MiB: beyond the second core's first MiB
        {4, 0x0B, "check word does not match"}, // a vector
        {60, 0, "check word does not match"},   // a halt
        {100, 0, "check word does not match"},  // code
        {127, 1, "check word does not match"},  // the last byte the size covers
        {48, 0, "check word does not match"},   // the check word itself
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = memory;
        bad[c.offset] = c.value;
        EXPECT_NE(renderer_image_problem(bad.data()).find(c.expected), std::string::npos)
            << "byte " << c.offset << ": " << renderer_image_problem(bad.data());
    }
    // Bytes past the image's size are whatever the memory held before.
    memory[128] = 0xFF;
    EXPECT_EQ(renderer_image_problem(memory.data()), "");

    std::vector<uint8_t> other(second_core::image_max_bytes, 0);
    EXPECT_NE(renderer_image_problem(other.data()).find("blank"), std::string::npos);
    const char stand_in[8] = {'L', 'F', 'R', 'E', 'N', 'D', 'R', 0};
    std::memcpy(other.data(), stand_in, sizeof stand_in);
    EXPECT_NE(renderer_image_problem(other.data()).find("stand-in"), std::string::npos);

    // The first version: a branch, then the header in words 1 to 5.
    std::vector<uint8_t> old(second_core::image_max_bytes, 0);
    const uint8_t old_start[16] = {0x05, 0, 0, 0xEA, 'L', 'F', 'R', 'C', 'O', 'R', 'E', 0, 1};
    std::memcpy(old.data(), old_start, sizeof old_start);
    EXPECT_NE(renderer_image_problem(old.data()).find("version 1"), std::string::npos);
    EXPECT_NE(renderer_image_problem(old.data()).find("rebuild renderer.img"), std::string::npos);
}

TEST(RendererImage, SealingRefusesWhatIsNoProgramWithBlankHeader) {
    std::vector<uint8_t> image = sealed_program();
    EXPECT_NE(second_core::seal_image(image.data(), image.size()).find("sealed already"),
              std::string::npos);
    std::vector<uint8_t> no_branch(128, 0);
    EXPECT_NE(second_core::seal_image(no_branch.data(), no_branch.size()).find("first word"),
              std::string::npos);
    EXPECT_NE(second_core::seal_image(image.data(), 84).find("too few"), std::string::npos);

    // Every vector must lead to its own halt, and every halt hold.
    struct Case {
        size_t offset;
        uint32_t word;
        const char* expected;
    };
    const Case cases[] = {
        {16, 0xEA000009, "vector 4 does not branch to its halt"}, // to the prefetch-abort halt
        {12, 0xE1A00000, "vector 3 does not branch"},             // a no-op: falls into vector 4
        {64, 0xE1A00000, "halt 3 is not a branch to itself"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = sealed_program();
        std::fill(bad.begin() + 32, bad.begin() + 52, 0);
        std::memcpy(bad.data() + c.offset, &c.word, 4);
        EXPECT_NE(second_core::seal_image(bad.data(), bad.size()).find(c.expected),
                  std::string::npos)
            << second_core::seal_image(bad.data(), bad.size());
    }
}

TEST(SimDirTest, MakesSparseDevicesAndRemovesEverythingItHolds) {
    std::vector<uint8_t> fb(config::fb_bytes, 0xAB);
    std::string path;
    {
        SimDir dir(fb);
        path = dir.path();
        struct stat info;
        ASSERT_EQ(::stat((path + "/mem").c_str(), &info), 0);
        EXPECT_EQ(static_cast<uint64_t>(info.st_size), 0xC0010000ull);
        EXPECT_LT(info.st_blocks * 512, 1 << 20); // sparse
        ASSERT_EQ(::stat((path + "/fb0").c_str(), &info), 0);
        EXPECT_EQ(info.st_size, 153600);
        // Whatever a program leaves in the folder goes with it.
        ASSERT_EQ(::mkdir((path + "/left").c_str(), 0700), 0);
        std::FILE* f = std::fopen((path + "/left/over").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    struct stat info;
    EXPECT_NE(::stat(path.c_str(), &info), 0);
}

} // namespace
} // namespace sim
