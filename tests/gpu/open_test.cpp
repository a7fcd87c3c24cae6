// gpuOpen and gpuClose against stand-ins for the memory device in a private
// folder named by LUMENFALL_SIM_DIR.
#include "gpu.h"

#include "shared_access.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr off_t area_offset = gpu_shared_phys;
constexpr size_t mapping_bytes = 0x1E05000; // 7,685 pages of 4096 bytes
constexpr off_t device_bytes = area_offset + mapping_bytes;

int open_descriptor_count() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

// The length of the mapping of path in this process, 0 if there is none.
size_t mapped_length_of(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.size() < path.size() || line.compare(line.size() - path.size(), path.size(), path))
            continue;
        const size_t dash = line.find('-');
        const unsigned long start = std::stoul(line.substr(0, dash), nullptr, 16);
        const unsigned long end = std::stoul(line.substr(dash + 1), nullptr, 16);
        return end - start;
    }
    return 0;
}

class OpenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumenfall-gpu-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        mem_path_ = dir_ + "/mem";
        setenv("LUMENFALL_SIM_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("LUMENFALL_SIM_DIR");
        unlink(mem_path_.c_str());
        rmdir(dir_.c_str());
    }

    // A sparse device file large enough for the mapping, with the given
    // frame_count and a marker where the reset word must go.
    void create_device(uint32_t frame_count) {
        const int fd = open(mem_path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ftruncate(fd, device_bytes));
        const uint32_t marker = 0xDEAD;
        ASSERT_EQ(4, pwrite(fd, &marker, 4, area_offset));
        ASSERT_EQ(4,
                  pwrite(fd, &frame_count, 4, area_offset + offsetof(gpuSharedArea, frame_count)));
        close(fd);
    }

    std::string dir_;
    std::string mem_path_;
};

TEST_F(OpenTest, MapsTheAreaAndQueuesTheReset) {
    create_device(0);
    const int descriptors = open_descriptor_count();

    ASSERT_EQ(gpuOK, gpuOpen());
    ASSERT_NE(nullptr, shared);
    EXPECT_EQ(mapping_bytes, mapped_length_of(mem_path_));
    EXPECT_EQ(static_cast<uint32_t>(gpu_op_reset), shared->fifo[0]);
    EXPECT_EQ(1u, shared->fifo_write);
    EXPECT_EQ(0u, shared->fifo_read);

    gpuClose();
    EXPECT_EQ(nullptr, shared);
    EXPECT_EQ(0u, mapped_length_of(mem_path_));
    EXPECT_EQ(descriptors, open_descriptor_count());
}

// gpuOpen returns only once frame_count reads 0; here a second mapping of the
// same file plays the renderer and clears it after seeing the reset queued.
TEST_F(OpenTest, WaitsForTheRendererToClearTheFrameCount) {
    create_device(9);
    std::atomic<bool> cleared{false};
    std::thread renderer([&] {
        const int fd = open(mem_path_.c_str(), O_RDWR);
        void* map =
            mmap(nullptr, mapping_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, area_offset);
        close(fd);
        ASSERT_NE(MAP_FAILED, map);
        auto* area = static_cast<gpuSharedArea*>(map);
        while (platform::shared_load_acquire(&area->fifo_write) != 1)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        cleared.store(true);
        platform::shared_store(&area->frame_count, 0);
        munmap(map, mapping_bytes);
    });
    EXPECT_EQ(gpuOK, gpuOpen());
    EXPECT_TRUE(cleared.load());
    renderer.join();
    gpuClose();
}

TEST_F(OpenTest, MissingDeviceFailsWithoutAMessage) {
    const int descriptors = open_descriptor_count();
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpuSysFail, gpuOpen());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(nullptr, shared);
    EXPECT_EQ(descriptors, open_descriptor_count());
}

// A named pipe opens for reading and writing but cannot be mapped: the
// failure is reported on stderr and the descriptor is given back.
TEST_F(OpenTest, UnmappableDeviceReportsAndClosesTheDescriptor) {
    ASSERT_EQ(0, mkfifo(mem_path_.c_str(), 0600));
    const int descriptors = open_descriptor_count();
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpuSysFail, gpuOpen());
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, output.find("mmap /dev/mem: ")) << output;
    EXPECT_NE(std::string::npos, output.find("\n  @2100000\n")) << output;
    EXPECT_EQ(nullptr, shared);
    EXPECT_EQ(descriptors, open_descriptor_count());
}

} // namespace
