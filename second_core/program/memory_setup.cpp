// Sets the second core up as the hardware needs it, from the region table
// (memory_map.h), in the order the protection unit wants: the regions and
// their attributes first, then the caches with the protection unit, then
// the clocking mode. The start code calls it with the caches off and
// empty, a stack in place and nothing else run yet.
#include "cp15.h"
#include "memory_map.h"

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
}
