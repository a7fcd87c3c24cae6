// Sets the second core up as the hardware needs it, from the region table
// (memory_map.h), in the order the protection unit wants: the regions and
// their attributes first, then the caches with the protection unit, then
// the clocking mode; last the stack's top is locked into the data cache.
// The start code calls it with the caches off and empty, a stack in place
// and nothing else run yet.
#include "cp15.h"
#include "memory_map.h"

#include <cstdint>

extern "C" char __stack_top[]; // the linker script's

namespace second_core {
namespace {

template <unsigned N> void write_instruction_regions() {
    if constexpr (N < 8) {
        cp15::write_instruction_region<N>(
            region_register(memory_regions[N], memory_regions[N].instruction));
        write_instruction_regions<N + 1>();
    }
}

template <unsigned N> void write_data_regions() {
    if constexpr (N < 8) {
        cp15::write_data_region<N>(region_register(memory_regions[N], memory_regions[N].data));
        write_data_regions<N + 1>();
    }
}

// Locks the top locked_stack_bytes of the stack into lines 0 to
// data_cache_locked_lines - 1 of every segment. The data cache is on. Every
// line is first written back if dirty and dropped, so that none of the
// lines to lock is in the cache already (a second copy in an unlocked line
// would be found instead); then, for each row, the load bit sends the fills
// of four consecutive lines (one per segment) into that row; last, the base
// without the load bit restricts replacement to the rows above. Registers
// only between the drop and the last fill: any other load or store would
// fill a line of its own, perhaps into a row being locked.
void lock_stack_top() {
    const uint32_t rows = cp15::data_cache_locked_lines;
    uint32_t at = reinterpret_cast<uintptr_t>(__stack_top) - cp15::locked_stack_bytes;
    uint32_t line = 0, row = 0, word = 0;
    asm volatile("mov %[line], #0\n"
                 "1: and %[row], %[line], #63\n"
                 "mov %[row], %[row], lsl #26\n"
                 "mov %[word], %[line], lsr #6\n"
                 "orr %[row], %[row], %[word], lsl #4\n"
                 "mcr p15, 0, %[row], c7, c14, 2\n" // clean and flush the line by index and segment
                 "add %[line], %[line], #1\n"
                 "cmp %[line], #256\n"
                 "blo 1b\n"
                 "mcr p15, 0, %[line], c7, c10, 4\n" // drain: the dirty lines reach memory
                 "mov %[row], #0\n"
                 "2: orr %[word], %[row], #0x80000000\n"
                 "mcr p15, 0, %[word], c9, c0, 0\n" // load bit and row
                 "ldr %[word], [%[at]], #16\n"
                 "ldr %[word], [%[at]], #16\n"
                 "ldr %[word], [%[at]], #16\n"
                 "ldr %[word], [%[at]], #16\n"
                 "add %[row], %[row], #1\n"
                 "cmp %[row], %[rows]\n"
                 "blo 2b\n"
                 "mcr p15, 0, %[rows], c9, c0, 0\n" // base: rows 0 to rows - 1 locked
                 : [at] "+r"(at), [line] "=&r"(line), [row] "=&r"(row), [word] "=&r"(word)
                 : [rows] "r"(rows)
                 : "cc", "memory");
}

} // namespace
} // namespace second_core

extern "C" void second_core_setup_memory() {
    using namespace second_core;
    // 1. Regions. The instruction side is written first: a model of the core
    //    that keeps one set of regions for both sides then ends up with the
    //    data side's, which covers the instruction side's region 0 alike.
    write_instruction_regions<0>();
    write_data_regions<0>();
    cp15::write_instruction_cacheable(cacheable_bits(false));
    cp15::write_data_cacheable(cacheable_bits(true));
    // With the cacheable bits, the bufferable bits pick write-back (both)
    // or write-through (cacheable alone); either sends stores that leave
    // the cache through the write buffer.
    cp15::write_data_bufferable(bufferable_bits());
    cp15::write_instruction_access(access_bits(false));
    cp15::write_data_access(access_bits(true));

    // 2. Caches. The start code emptied them; no line is locked down, so
    //    all 64 lines of each segment take part in replacement. Then the
    //    protection unit and both caches in one write, as the caches may
    //    only be on with the protection unit; little-endian, vectors low.
    cp15::write_data_lockdown(0);
    cp15::write_instruction_lockdown(0);
    uint32_t control = cp15::read_control();
    control &= ~(cp15::control_big_endian | cp15::control_high_vectors);
    control |=
        cp15::control_protection_unit | cp15::control_data_cache | cp15::control_instruction_cache;
    cp15::write_control(control);

    // 3. Clocking: asynchronous mode, the core on its own clock rather than
    //    the bus clock it reset to. Synchronous mode would demand a core
    //    clock that is a whole multiple of the bus clock, which nothing here
    //    can promise.
    control |= cp15::control_not_fastbus | cp15::control_asynchronous;
    cp15::write_control(control);

    // 4. The stack's top locked into the data cache.
    lock_stack_top();
}
