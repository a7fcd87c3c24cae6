// Where a program image lands in physical memory, and whether it stays within
// the second core's memory.
#pragma once

#include <cstdint>

namespace coreseed {

// 0x02000000 + offset, wrapping at 32 bits like the address bus.
uint32_t image_address(uint32_t offset);

// True when `size` bytes at image_address(offset) lie inside the second
// core's memory. An empty image always fits; mapping it fails later.
bool image_fits(uint32_t offset, uint64_t size);

} // namespace coreseed
