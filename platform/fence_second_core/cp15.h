// The second core's control coprocessor (CP15), one inline function per
// register or operation the program uses. The core is a protection-unit
// core: no MMU, eight instruction and eight data regions, a 4 KiB
// instruction cache, a 4 KiB data cache of 16-byte lines in four segments
// of 64 lines, and a write buffer. Every access needs a privileged mode.
#pragma once

#include <cstdint>

namespace second_core::cp15 {

// Control register bits.
inline constexpr uint32_t control_protection_unit = 1u << 0;
inline constexpr uint32_t control_data_cache = 1u << 2;
inline constexpr uint32_t control_big_endian = 1u << 7;
inline constexpr uint32_t control_instruction_cache = 1u << 12;
inline constexpr uint32_t control_high_vectors = 1u << 13;
// The clocking mode: with neither bit the core runs from the bus clock
// (FastBus mode, the mode it resets to); nF alone selects synchronous
// mode, which needs the core clock to be a whole multiple of the bus
// clock; nF and iA together select asynchronous mode, which only needs the
// core clock to be the faster one.
inline constexpr uint32_t control_not_fastbus = 1u << 30;
inline constexpr uint32_t control_asynchronous = 1u << 31;

inline uint32_t read_control() {
    uint32_t value;
    asm volatile("mrc p15, 0, %0, c1, c0, 0" : "=r"(value));
    return value;
}

// Changing the control register changes how every later access behaves,
// so the compiler keeps memory accesses on their side of it.
inline void write_control(uint32_t value) {
    asm volatile("mcr p15, 0, %0, c1, c0, 0" ::"r"(value) : "memory");
}

// Region N's base and size register (register 6, CRm = N), data side
// (opcode 2 = 0) and instruction side (opcode 2 = 1).
template <unsigned N> inline void write_data_region(uint32_t value) {
    static_assert(N < 8);
    asm volatile("mcr p15, 0, %0, c6, c%c1, 0" ::"r"(value), "i"(N));
}
template <unsigned N> inline void write_instruction_region(uint32_t value) {
    static_assert(N < 8);
    asm volatile("mcr p15, 0, %0, c6, c%c1, 1" ::"r"(value), "i"(N));
}

// Register 2: a cacheable bit per region.
inline void write_data_cacheable(uint32_t bits) {
    asm volatile("mcr p15, 0, %0, c2, c0, 0" ::"r"(bits));
}
inline void write_instruction_cacheable(uint32_t bits) {
    asm volatile("mcr p15, 0, %0, c2, c0, 1" ::"r"(bits));
}

// Register 3: a bufferable bit per data region.
inline void write_data_bufferable(uint32_t bits) {
    asm volatile("mcr p15, 0, %0, c3, c0, 0" ::"r"(bits));
}

// Register 5: two access-permission bits per region.
inline void write_data_access(uint32_t bits) {
    asm volatile("mcr p15, 0, %0, c5, c0, 0" ::"r"(bits));
}
inline void write_instruction_access(uint32_t bits) {
    asm volatile("mcr p15, 0, %0, c5, c0, 1" ::"r"(bits));
}

// Register 9: the lockdown base of each cache. Base 0 locks no line, so
// the whole cache takes part in replacement.
inline void write_data_lockdown(uint32_t value) {
    asm volatile("mcr p15, 0, %0, c9, c0, 0" ::"r"(value));
}
inline void write_instruction_lockdown(uint32_t value) {
    asm volatile("mcr p15, 0, %0, c9, c0, 1" ::"r"(value));
}

// Register 7: cache operations.

// Invalidates the whole instruction cache.
inline void flush_instruction_cache() {
    asm volatile("mcr p15, 0, %0, c7, c5, 0" ::"r"(0) : "memory");
}

// Invalidates the whole data cache without writing dirty lines back: only
// safe while no line can be dirty, or when what is dirty must be dropped.
inline void flush_data_cache() {
    asm volatile("mcr p15, 0, %0, c7, c6, 0" ::"r"(0) : "memory");
}

// Writes one data-cache line back if it is dirty and invalidates it. The
// line is named by its place, not by an address: the line's index within
// its segment in bits 31 to 26, the segment in bits 5 and 4.
inline void clean_and_flush_data_line(uint32_t index_and_segment) {
    asm volatile("mcr p15, 0, %0, c7, c14, 2" ::"r"(index_and_segment) : "memory");
}

// Stalls until every store waiting in the write buffer has reached memory.
inline void drain_write_buffer() {
    asm volatile("mcr p15, 0, %0, c7, c10, 4" ::"r"(0) : "memory");
}

inline constexpr uint32_t data_cache_segments = 4;
inline constexpr uint32_t data_cache_lines_per_segment = 64;
// Lines 0 to this less one of every segment are locked down: they hold the
// top of the program's stack (memory_setup.cpp), which the texel stream
// would otherwise evict between nearly every two calls. Replacement uses
// the other lines only.
inline constexpr uint32_t data_cache_locked_lines = 18;
inline constexpr uint32_t locked_stack_bytes = data_cache_locked_lines * data_cache_segments * 16;

// Writes every dirty data-cache line that is not locked down back and
// invalidates it, line by line, since the cache has no whole-cache clean.
// The locked lines hold the program's own stack, which no other agent
// reads or writes, so they may stay. The dirty lines go out through the
// write buffer, which the caller drains if it needs them in memory.
inline void clean_and_flush_unlocked_data_lines() {
    for (uint32_t segment = 0; segment < data_cache_segments; ++segment)
        for (uint32_t index = data_cache_locked_lines; index < data_cache_lines_per_segment;
             ++index)
            clean_and_flush_data_line(index << 26 | segment << 4);
}

} // namespace second_core::cp15
