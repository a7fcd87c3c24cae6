// The size of a buffer from its shape, safe for any pair of values.
#pragma once

#include <cstdint>

namespace gpu_mm {

// Words covered by height lines of 2^log2_width words. Counted in 64 bits,
// so that no shape wraps around to a small size; a line length of 2^32 words
// or more is counted as more than any memory holds.
inline uint64_t buffer_words(uint32_t log2_width, uint32_t height) {
    if (log2_width >= 32) return UINT64_MAX;
    return uint64_t{height} << log2_width;
}

} // namespace gpu_mm
