#include "shared_waiters.h"

#include "wait_wake.h"

namespace sim {

// The program on the emulated core publishes fifo_read and frame_count with
// plain stores; the simulator wakes the clients sleeping on either for it.
void wake_shared_area_waiters(gpuSharedArea* area) {
    platform::wake_waiters(&area->fifo_read);
    platform::wake_waiters(&area->frame_count);
}

} // namespace sim
