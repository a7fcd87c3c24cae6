// The pool of buffer descriptors. Descriptors are handed out from the front
// of `cache_list` and given back to its back; the pool grows on demand and
// never moves a descriptor, so handles and list links stay valid.
#pragma once

#include "gpu.h"

#include <cstdint>

namespace gpu_mm {

// A spare descriptor, growing the pool when none is left. Its fc_link
// belongs to no list; its other fields hold whatever the last user left.
gpuBuf* buf_new();

// Gives the descriptor of buf back to the back of the spare list.
void free_buf(gpuBuf* buf);

// The number of descriptors in the pool.
uint32_t pool_size();

// Frees every descriptor and empties the spare list.
void pool_release();

} // namespace gpu_mm
