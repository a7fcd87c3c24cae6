#include "sim_memory.h"

#include "host_config.h"
#include "host_error.h"

#include <sys/mman.h>

namespace sim {
namespace {

uint8_t* map_region(int fd, uint64_t phys, uint64_t bytes, const char* name) {
    void* p =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(phys));
    if (p == MAP_FAILED) throw_errno(std::string("cannot map the simulated ") + name);
    return static_cast<uint8_t*>(p);
}

} // namespace

static_assert(gpu_shared_phys >= config::core_memory_phys &&
                  gpu_shared_phys + gpu_shared_bytes <=
                      config::core_memory_phys + config::core_memory_bytes,
              "the shared area lies inside the second core's memory");

SimMemory::SimMemory(int mem_fd) {
    core_ = map_region(mem_fd, config::core_memory_phys, config::core_memory_bytes,
                       "second core's memory");
    try {
        registers_ = map_region(mem_fd, config::register_block_phys, config::register_block_bytes,
                                "register block");
    } catch (...) {
        ::munmap(core_, config::core_memory_bytes);
        throw;
    }
}

SimMemory::~SimMemory() {
    ::munmap(registers_, config::register_block_bytes);
    ::munmap(core_, config::core_memory_bytes);
}

gpuSharedArea* SimMemory::shared_area() const {
    return reinterpret_cast<gpuSharedArea*>(core_ + (gpu_shared_phys - config::core_memory_phys));
}

uint16_t SimMemory::read_register(uint32_t offset) const {
    // Acquire: a loader copies the program before it releases the core, so
    // once the release is seen the copied bytes must be seen too.
    return __atomic_load_n(reinterpret_cast<const uint16_t*>(registers_ + offset),
                           __ATOMIC_ACQUIRE);
}

void SimMemory::write_register(uint32_t offset, uint16_t value) {
    __atomic_store_n(reinterpret_cast<uint16_t*>(registers_ + offset), value, __ATOMIC_RELAXED);
}

} // namespace sim
