// Ordering for the PC and the simulator: the compiler's atomic operations,
// which become real barrier instructions wherever the processor needs them.
#pragma once

#include <cstdint>

namespace platform {

// A read that keeps every later access after it.
inline uint32_t load_acquire(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

// Keeps every earlier store before the store that follows.
inline void release_fence() {
    __atomic_thread_fence(__ATOMIC_RELEASE);
}

// The PC's caches are coherent between its cores: nothing to drop.
inline void discard_stale_shared_data() {}

} // namespace platform
