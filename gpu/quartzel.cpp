// The link to the renderer: mapping the shared area through the memory
// device, the reset handshake, and the renderer's error word. The FIFO writes
// live in fifo_write.cpp.
#include "gpu.h"

#include "device_paths.h"
#include "shared_access.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

gpuSharedArea* shared = nullptr;

namespace {

int shared_fd = -1;

// The mapping covers the area rounded up to whole pages; the area never ends
// exactly on a page boundary, so one extra page is always needed.
size_t mapping_length() {
    const size_t page = static_cast<size_t>(getpagesize());
    return (gpu_shared_bytes / page + 1) * page;
}

} // namespace

gpuResult gpuOpen() {
    shared_fd = open(platform::mem_device_path(), O_RDWR);
    if (shared_fd < 0) return gpuSysFail;

    void* area = mmap(nullptr, mapping_length(), PROT_READ | PROT_WRITE, MAP_SHARED, shared_fd,
                      gpu_shared_phys);
    if (area == MAP_FAILED) {
        perror("mmap /dev/mem");
        fprintf(stderr, "  @%x\n", static_cast<unsigned>(gpu_shared_phys));
        // Nothing will ever use the descriptor once the map has failed, so
        // it is given back rather than leaked with every failed attempt.
        close(shared_fd);
        shared_fd = -1;
        return gpuSysFail;
    }
    shared = static_cast<gpuSharedArea*>(area);

    static const gpuCmdReset reset = {gpu_op_reset};
    const gpuResult result = gpuWrite(&reset, sizeof reset, true);
    if (result != gpuOK) return result;

    // The renderer clears frame_count when it executes the reset; until then
    // the count may still be that of an earlier session. The buffer manager's
    // own count starts at 0, so the two must be level before it is used.
    while (platform::shared_load(&shared->frame_count) != 0) {
    }
    return gpuOK;
}

void gpuClose() {
    // The unmap length need not be page-rounded: the system covers the same
    // whole pages that the mapping took.
    munmap(shared, gpu_shared_bytes);
    close(shared_fd);
    shared = nullptr;
    shared_fd = -1;
}

int gpuReadErr() {
    // Two separate accesses: an error stored between them is lost, which is
    // acceptable for a diagnostic word.
    const uint32_t error = platform::shared_load(&shared->error_code);
    platform::shared_store(&shared->error_code, 0);
    return static_cast<int>(error);
}
