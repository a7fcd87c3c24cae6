// The buffer manager's state, shared by its allocation code (mm.cpp) and its
// commands to the renderer (mm_commands.cpp). Used from one thread only.
#pragma once

#include "gpu.h"

#include <cstdint>

namespace gpu_mm {

// Every buffer that holds video memory, in ascending address order.
extern gpuListLink list;
// Buffers waiting for a deferred release, in the order it was asked for.
extern gpuListLink fc_list;
// Buffers queued for display by successful gpuShowBuf calls since start.
extern uint32_t my_frame_count;

// Queues buf for release once the renderer's frame_count exceeds fc.
void release_after(gpuBuf* buf, uint32_t fc);

} // namespace gpu_mm
