// The fingerprint of a texture that the capture hook reports.
#pragma once

#include "render_state.h"

#include <cstdint>

namespace renderer {

// 64-bit FNV-1a over the buffer's words (height << log2_width of them from
// its address), each word taken as four little-endian bytes. An invalid
// selection covers no words and hashes to the offset basis.
uint64_t texture_hash(const uint32_t* video, const BufferSel& texture);

} // namespace renderer
