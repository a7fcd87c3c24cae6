// Sleeping until a 32-bit word in memory changes, and waking the sleepers,
// with Linux futexes. The futex is keyed on the word's place in the mapped
// file, not on its address, so a waiter and a waker in different processes
// that map the same shared file find each other.
#pragma once

#include <cstdint>

namespace platform {

// Sleeps while *word still holds `seen`, until wake_word is called on it or
// timeout_ns passes. Returns at once if the word already differs. A spurious
// return is possible, so callers poll the word again.
void sleep_while_equal(const uint32_t* word, uint32_t seen, uint64_t timeout_ns);

// Wakes every thread sleeping on word.
void wake_word(const uint32_t* word);

} // namespace platform
