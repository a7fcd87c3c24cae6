// The simulator's view of the memory file: the second core's 32 MiB (program
// image, shared area and video memory) and the I/O register block, each
// mapped once, shared, so that every store of a program mapping the same file
// is seen here.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>

namespace sim {

class SimMemory {
  public:
    // Maps both regions of the open memory file. Throws HostError on failure.
    explicit SimMemory(int mem_fd);
    ~SimMemory();
    SimMemory(const SimMemory&) = delete;
    SimMemory& operator=(const SimMemory&) = delete;

    // The start of the second core's memory, physical 0x02000000.
    const uint8_t* core_memory() const { return core_; }
    // The same for the emulated core, which reads and writes all of it.
    uint8_t* core_memory_for_emulation() const { return core_; }

    // The shared area, physical 0x02100000.
    gpuSharedArea* shared_area() const;

    // One 16-bit register access at a byte offset in the register block. The
    // programs write these through their own mappings at any time, so every
    // read is a fresh load.
    uint16_t read_register(uint32_t offset) const;
    void write_register(uint32_t offset, uint16_t value);

  private:
    uint8_t* core_ = nullptr;
    uint8_t* registers_ = nullptr;
};

} // namespace sim
