#include "image_placement.h"

#include "handheld_memory.h"

namespace coreseed {

uint32_t image_address(uint32_t offset) {
    return static_cast<uint32_t>(second_core_memory_base + offset);
}

bool image_fits(uint32_t offset, uint64_t size) {
    if (size == 0) {
        return true;
    }
    // Work in 64 bits so neither the start nor the end can wrap past the
    // window: a huge offset wraps the address below 0x02000000, where the
    // main core's own memory is.
    const uint64_t start = image_address(offset);
    const uint64_t window_start = second_core_memory_base;
    const uint64_t window_end = window_start + second_core_memory_size;
    return start >= window_start && start < window_end && size <= window_end - start;
}

} // namespace coreseed
