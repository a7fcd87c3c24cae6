#include "display_devices.h"

#include "device_paths.h"
#include "rgb565_convert.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace display {
namespace {

// The shared area never ends on a page boundary: one page more than whole
// pages covers it.
size_t shared_mapping_bytes() {
    const size_t page = static_cast<size_t>(getpagesize());
    return (gpu_shared_bytes / page + 1) * page;
}

std::string failure(const char* step, const char* path) {
    return std::string(step) + " " + path + ": " + std::strerror(errno);
}

} // namespace

DisplayDevices::~DisplayDevices() {
    if (fb_ != nullptr) munmap(fb_, frame_buffer_bytes);
    if (area_ != nullptr) munmap(area_, shared_mapping_bytes());
    if (fb_fd_ >= 0) close(fb_fd_);
    if (mem_fd_ >= 0) close(mem_fd_);
}

std::string DisplayDevices::open() {
    const char* mem_path = platform::mem_device_path();
    mem_fd_ = ::open(mem_path, O_RDWR);
    if (mem_fd_ < 0) return failure("open", mem_path);
    void* area = mmap(nullptr, shared_mapping_bytes(), PROT_READ | PROT_WRITE, MAP_SHARED, mem_fd_,
                      gpu_shared_phys);
    if (area == MAP_FAILED) return failure("mmap", mem_path);
    area_ = static_cast<gpuSharedArea*>(area);

    const char* fb_path = platform::fb_device_path();
    fb_fd_ = ::open(fb_path, O_RDWR);
    if (fb_fd_ < 0) return failure("open", fb_path);
    // A frame buffer smaller than the screen would fault on the first
    // frame. The simulator's stand-in is a file whose size tells; the
    // handheld's device reports none, and is 320 x 240 RGB 5:6:5.
    struct stat info;
    if (fstat(fb_fd_, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<uint64_t>(info.st_size) < frame_buffer_bytes) {
        return std::string(fb_path) + " holds " + std::to_string(info.st_size) +
               " bytes, fewer than a 320 x 240 RGB 5:6:5 screen (" +
               std::to_string(frame_buffer_bytes) + ")";
    }
    void* fb = mmap(nullptr, frame_buffer_bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fb_fd_, 0);
    if (fb == MAP_FAILED) return failure("mmap", fb_path);
    fb_ = static_cast<uint16_t*>(fb);
    return {};
}

} // namespace display
