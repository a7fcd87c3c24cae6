// A helper for the fault tests, run inside handheld-sim: watches the
// renderer's frame_count in the simulator's memory file, so that a script
// can act at a chosen point of a run.
//
//   fault-frame-watch reach N SECONDS   wait until at least N frames have
//                                       been displayed (status 1 on timeout)
//   fault-frame-watch settle            wait until the count has stood still
//                                       for 300 ms, then print it
#include "device_paths.h"
#include "gpu_protocol.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The word is read through a mapping of its page, as the demo reads it.
const volatile uint32_t* map_frame_count() {
    const int fd = ::open(platform::mem_device_path(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror("fault-frame-watch: cannot open the memory file");
        std::exit(2);
    }
    const uint64_t address = uint64_t{gpu_shared_phys} + offsetof(gpuSharedArea, frame_count);
    const uint64_t page = static_cast<uint64_t>(::getpagesize());
    const uint64_t base = address / page * page;
    void* mapping = ::mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(base));
    if (mapping == MAP_FAILED) {
        std::perror("fault-frame-watch: cannot map the memory file");
        std::exit(2);
    }
    return reinterpret_cast<const volatile uint32_t*>(static_cast<const char*>(mapping) +
                                                      (address - base));
}

} // namespace

int main(int argc, char** argv) {
    const bool reach = argc == 4 && std::strcmp(argv[1], "reach") == 0;
    const bool settle = argc == 2 && std::strcmp(argv[1], "settle") == 0;
    if (!reach && !settle) {
        std::fprintf(stderr, "usage (inside handheld-sim): fault-frame-watch reach N SECONDS | "
                             "settle\n");
        return 2;
    }
    const volatile uint32_t* frame_count = map_frame_count();
    if (reach) {
        const uint32_t target = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
        const auto deadline = Clock::now() + std::chrono::seconds(std::atoi(argv[3]));
        while (*frame_count < target) {
            if (Clock::now() > deadline) {
                std::fprintf(stderr, "fault-frame-watch: only %u of %u frames\n", *frame_count,
                             target);
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    }
    uint32_t last = *frame_count;
    auto still_since = Clock::now();
    const auto deadline = still_since + std::chrono::seconds(10);
    while (Clock::now() - still_since < std::chrono::milliseconds(300)) {
        if (Clock::now() > deadline) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const uint32_t now = *frame_count;
        if (now != last) {
            last = now;
            still_since = Clock::now();
        }
    }
    std::printf("%u\n", last);
    return 0;
}
