// Ordering for the handheld's main core. It is an ARMv4T core that executes
// in order, and its write buffer drains stores to memory in program order,
// so the second core sees the FIFO words before the index that publishes
// them as long as the compiler keeps them in that order: a compiler barrier
// is the whole fence. ARMv4T has no barrier instruction; the compiler's
// atomic fences would call a kernel helper that the handheld's kernel does
// not provide.
#pragma once

#include <cstdint>

namespace platform {

// A read that keeps every later access after it: the core does not run
// ahead of a load, so only the compiler must be held back.
inline uint32_t load_acquire(const uint32_t* word) {
    const uint32_t value = __atomic_load_n(word, __ATOMIC_RELAXED);
    asm volatile("" ::: "memory");
    return value;
}

// Keeps every earlier store before the store that follows.
inline void release_fence() {
    asm volatile("" ::: "memory");
}

// The main core maps the shared area uncached (/dev/mem), so no line of
// its data cache ever holds shared data: nothing to drop.
inline void discard_stale_shared_data() {}

} // namespace platform
