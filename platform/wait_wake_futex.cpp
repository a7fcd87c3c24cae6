// Builds that run against the simulator on a Linux PC: the renderer wakes
// clients sleeping on the word in wait_policy_futex.cpp.
#include "futex_word.h"
#include "wait_wake.h"

namespace platform {

void wake_waiters(const uint32_t* word) {
    wake_word(word);
}

} // namespace platform
