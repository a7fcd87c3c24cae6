// Monotonic time in nanoseconds and short sleeps. clock_gettime on this
// clock is served without entering the kernel, so the loop may read it on
// every pass.
#pragma once

#include <cstdint>
#include <ctime>

namespace sim {

inline int64_t monotonic_ns() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline void sleep_ns(int64_t ns) {
    if (ns <= 0) return;
    timespec span{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    nanosleep(&span, nullptr);
}

} // namespace sim
