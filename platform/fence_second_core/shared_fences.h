// Ordering and cache upkeep for the second core, whose program runs with its
// data cache and write buffer on (second_core/memory_map.h) and whose caches
// see nothing of what the main core writes: the core has no snooping.
//
// The index and report words, the FIFO ring and the display mailbox lie in
// uncached, unbuffered regions: a load of them reads memory, a store to them
// leaves the core at once. Video memory is cached write-through: texels and
// depth are read through the data cache, and every store goes out through
// the write buffer, so no line ever holds shared data that memory lacks.
// What remains is done here, at the points the shared accessors name.
#pragma once

#include "cp15.h"

#include <cstdint>

namespace platform {

// The word's region is uncached, so the load reads memory; the core is in
// order and does not run ahead of a load, so only the compiler must keep
// later accesses after it.
inline uint32_t load_acquire(const uint32_t* word) {
    const uint32_t value = *static_cast<const volatile uint32_t*>(word);
    asm volatile("" ::: "memory");
    return value;
}

// Before a store that publishes (posted, frame_count, fifo_read): the
// renderer's earlier stores to video memory may still wait in the write
// buffer, while the publishing store, unbuffered, would go out at once and
// overtake them. Draining the buffer puts the pixels of a shown buffer in
// memory before the display program can see it posted, and every store into
// a buffer before the client can take that buffer back.
inline void release_fence() {
    second_core::cp15::drain_write_buffer();
}

// After the client has published new commands: the texels (and anything
// else) it wrote into video memory before publishing may lie in lines the
// data cache filled earlier, from what the memory held then. Every line is
// dropped, so every later read of video memory comes from memory. The cache
// can only be emptied line by line by its place, so the program's own dirty
// lines (its data writes back) are written back on the way; the lines
// locked down hold the program's stack alone and stay.
inline void discard_stale_shared_data() {
    second_core::cp15::clean_and_flush_unlocked_data_lines();
}

} // namespace platform
