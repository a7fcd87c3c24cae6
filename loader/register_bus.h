// The one path from the loader to the I/O register block. The program reaches
// the mapped block itself; tests put a recorder in front of it to see every
// access, so the hold and release sequences are checked access by access.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace coreseed {

// 16-bit reads and writes at byte offsets within the register block.
class RegisterBus {
  public:
    virtual ~RegisterBus() = default;
    virtual uint16_t read16(uint32_t offset) = 0;
    virtual void write16(uint32_t offset, uint16_t value) = 0;
};

// The register block as mapped from the memory device. Each call is exactly
// one volatile 16-bit access, which is what the system controller expects:
// the compiler may neither merge, widen nor drop it.
class MappedRegisterBus final : public RegisterBus {
  public:
    explicit MappedRegisterBus(volatile void* block)
        : registers_(static_cast<volatile uint16_t*>(block)) {}

    uint16_t read16(uint32_t offset) override { return registers_[offset / 2]; }
    void write16(uint32_t offset, uint16_t value) override { registers_[offset / 2] = value; }

  private:
    volatile uint16_t* registers_;
};

// Builds the bus a run uses, given the freshly mapped register block.
using RegisterBusFactory = std::function<std::unique_ptr<RegisterBus>(volatile void* block)>;

// The factory of the program itself: the mapped block, accessed directly.
inline std::unique_ptr<RegisterBus> map_register_bus(volatile void* block) {
    return std::make_unique<MappedRegisterBus>(block);
}

} // namespace coreseed
