// Wakes the client threads that sleep until fifo_read or frame_count change.
// The emulated core calls it once per loop pass in which either changed,
// since its program publishes them without telling the simulator.
#pragma once

#include "gpu_protocol.h"

namespace sim {

void wake_shared_area_waiters(gpuSharedArea* area);

} // namespace sim
