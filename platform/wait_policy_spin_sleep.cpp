// The wait of builds that run against the simulator on a PC: poll at full
// speed for a short while, then sleep between polls in steps that double up
// to a small cap. A wait that ends within microseconds stays as fast as a
// spin, while one that lasts a whole display frame costs a few wake-ups
// instead of a busy core. Only nanosleep is used, so that the same file
// serves any runtime that offers it.

#include "wait_policy.h"

#include <ctime>

// nanosleep is POSIX, not ISO C++: a C library built for a bare device
// leaves it out of <time.h>, and the device runtime supplies it. Declared
// here with the one signature every C library gives it.
extern "C" int nanosleep(const timespec* requested, timespec* remaining);

namespace platform {
namespace {

// Failed polls spent spinning before the first sleep: a few microseconds of
// reads of a word that is in the cache until the other side writes it.
constexpr uint32_t spin_polls = 256;
// The first sleep and the cap the doubling stops at. The cap bounds how late
// a long wait notices its end; every wait the demo makes has a display frame
// (16.7 ms) or several queued frames of slack, so a millisecond is unseen.
constexpr long first_sleep_ns = 16'000;
constexpr long max_sleep_ns = 1'000'000;

long sleep_for_poll(uint32_t polls) {
    const uint32_t doublings = polls - spin_polls;
    long sleep = first_sleep_ns;
    for (uint32_t i = 0; i < doublings && sleep < max_sleep_ns; ++i)
        sleep *= 2;
    return sleep < max_sleep_ns ? sleep : max_sleep_ns;
}

} // namespace

void wait_pause(const uint32_t*, uint32_t, uint32_t polls) {
    if (polls < spin_polls) return;
    const timespec span{0, sleep_for_poll(polls)};
    nanosleep(&span, nullptr);
}

} // namespace platform
