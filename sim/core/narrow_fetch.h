// The texel fetch of a span segment for textures whose index needs only the
// low 32 bits of the 16.16 coordinates (the line mask and the width mask both
// below 2^16, as for every texture of at most 65536 words). The bits above
// 31 of the wide coordinates never reach such an index, so stepping them in
// 32-bit arithmetic picks the same texels as the 64-bit stepping does.
//
// One implementation per processor family, chosen by the build: on x86-64 it
// uses the AVX2 gather when the processor has it.
#pragma once

#include <cstdint>

namespace sim {

// out[i] = texels[((v_i >> 16) & line_mask) | ((u_i >> 16) & width_mask)]
// for i < count, with u_i = u + i * du and v_i = v + i * dv modulo 2^32.
struct NarrowFetch {
    const uint32_t* texels;
    uint32_t width_mask, line_mask;
    uint32_t u, du, v, dv;
};

void fetch_narrow(uint32_t* out, int count, const NarrowFetch& f);

// The same one texel at a time, for processors without a gather and for the
// tail of a segment.
inline void fetch_narrow_scalar(uint32_t* out, int begin, int count, const NarrowFetch& f) {
    uint32_t u = f.u + static_cast<uint32_t>(begin) * f.du;
    uint32_t v = f.v + static_cast<uint32_t>(begin) * f.dv;
    for (int i = begin; i < count; ++i) {
        out[i] = f.texels[((v >> 16) & f.line_mask) | ((u >> 16) & f.width_mask)];
        u += f.du;
        v += f.dv;
    }
}

} // namespace sim
