// Holding and releasing the second core through the system controller's
// registers. Both sequences perform fixed 16-bit accesses in a fixed order.
#pragma once

#include "register_bus.h"

#include <cstdint>

namespace coreseed {

// Byte offsets of the registers within the I/O register block.
inline constexpr uint32_t second_core_control_register = 0x3B48;
inline constexpr uint32_t second_core_enable_register = 0x0904;
inline constexpr uint32_t second_core_register_3b40 = 0x3B40;
inline constexpr uint32_t second_core_register_3b42 = 0x3B42;

// Stops the second core so its memory can be overwritten safely.
void hold_second_core(RegisterBus& bus);

// Lets the second core run again, from the program just copied.
void release_second_core(RegisterBus& bus);

} // namespace coreseed
