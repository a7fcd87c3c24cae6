// Hooks for in-process tests of the client library and of its users. The
// handheld program never calls them; the web page uses gpu_mm_reset to play
// the demo again from its start.
#pragma once

#include <cstdint>

// Returns the buffer manager to its state at program start: every list empty,
// no frames queued and the descriptor pool released. Handles handed out
// before are invalid afterwards.
void gpu_mm_reset();

// The number of buffers queued for display by successful gpuShowBuf calls.
uint32_t gpu_mm_frame_count();

// The number of descriptors in the pool, spare or in use.
uint32_t gpu_mm_cache_size();
