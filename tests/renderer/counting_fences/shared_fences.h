// The PC's fences with a count of the drops of stale cache lines, for the
// test that the FIFO reader asks for one exactly when new words are
// published (fifo_upkeep_test.cpp).
#pragma once

#include <cstdint>

namespace platform {

inline int stale_data_discards = 0;

inline uint32_t load_acquire(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

inline void release_fence() {
    __atomic_thread_fence(__ATOMIC_RELEASE);
}

inline void discard_stale_shared_data() {
    ++stale_data_discards;
}

} // namespace platform
