#include "shared_waiters.h"

namespace sim {

// Nothing to wake yet: clients poll the words. This is the one place where
// a futex-based wake-up belongs.
void wake_shared_area_waiters(gpuSharedArea* /*area*/) {}

} // namespace sim
