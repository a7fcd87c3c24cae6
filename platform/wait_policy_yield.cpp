// The handheld's wait: give the processor away with sched_yield and poll
// again at once. The demo owns the main core there, so spinning costs
// nothing that anyone else could use.
#include "wait_policy.h"

#include <sched.h>

namespace platform {

void wait_pause(const uint32_t*, uint32_t, uint32_t) {
    sched_yield();
}

} // namespace platform
