#include "texture_hash.h"

namespace renderer {

uint64_t texture_hash(const uint32_t* video, const BufferSel& texture) {
    uint64_t h = fnv_offset_basis;
    if (!texture.valid) return h;
    const size_t words = static_cast<size_t>(texture.height) << texture.log2_width;
    const uint32_t* w = video + texture.address;
    for (size_t i = 0; i < words; ++i) {
        // Byte by byte in little-endian order, whatever the host's order.
        for (int shift = 0; shift < 32; shift += 8) {
            h ^= (w[i] >> shift) & 0xFFu;
            h *= fnv_prime;
        }
    }
    return h;
}

} // namespace renderer
