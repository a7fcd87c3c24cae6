// The wait of builds that run against the simulator on a Linux PC: poll at
// full speed for a short while, then sleep until the renderer changes the
// word the wait polls and wakes us (wait_wake_futex.cpp). A wait that ends
// within microseconds stays as fast as a spin; one that lasts a display
// frame costs one wake-up instead of a busy core or a thousand polls.
#include "futex_word.h"
#include "wait_policy.h"

namespace platform {
namespace {

// Failed polls spent spinning before the first sleep: a few microseconds of
// reads of a word that is in the cache until the other side writes it.
constexpr uint32_t spin_polls = 256;
// The safety net: a renderer that never wakes (or a wake lost to a bug)
// costs at most this much per poll, not a hung client. Longer than a
// display frame, so a client waiting a frame for memory sleeps once.
constexpr uint64_t safety_timeout_ns = 20'000'000;

} // namespace

void wait_pause(const uint32_t* word, uint32_t seen, uint32_t polls) {
    if (polls < spin_polls) return;
    sleep_while_equal(word, seen, safety_timeout_ns);
}

} // namespace platform
