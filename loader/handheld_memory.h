// Physical addresses the loader works with. The second core runs from the
// 32 MiB that start at 0x02000000, and its control registers sit in the
// system's I/O register block at 0xC0000000.
#pragma once

#include <cstdint>

namespace coreseed {

inline constexpr uint32_t second_core_memory_base = 0x02000000;
inline constexpr uint32_t second_core_memory_size = 0x02000000;

inline constexpr uint32_t register_block_base = 0xC0000000;
inline constexpr uint32_t register_block_size = 0x10000;

} // namespace coreseed
