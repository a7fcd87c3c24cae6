#include "futex_word.h"

#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void sleep_while_equal(const uint32_t* word, uint32_t seen, uint64_t timeout_ns) {
    const timespec timeout{static_cast<time_t>(timeout_ns / 1'000'000'000u),
                           static_cast<long>(timeout_ns % 1'000'000'000u)};
    // Not the private variant: the word lives in a mapping other processes
    // share. The kernel compares the word with `seen` and sleeps in one step,
    // so a change and wake between our poll and this call are not missed.
    syscall(SYS_futex, word, FUTEX_WAIT, seen, &timeout, nullptr, 0);
}

void wake_word(const uint32_t* word) {
    syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

} // namespace platform
