// What each textured rendering type does to one segment of a span (at most
// span_segment_pixels pixels), once the segment's texels have been fetched.
// Each loop works on whole arrays with no dependence between pixels, so the
// compiler vectorises it; on the PC it is built for AVX2 and for any x86-64
// processor and the best version is picked when the program starts.
#pragma once

#include <cstdint>

namespace sim {

// dst[i] = texel[i] with its luma Y replaced by min((Y * a_i + b_i) >> 16,
// 255), where a_i = a + i * da and b_i = b + i * db.
void shade_segment(uint32_t* dst, const uint32_t* texel, int count, int32_t a, int32_t da,
                   int32_t b, int32_t db);

// dst[i] = texel[i] wherever texel[i] differs from key.
void key_segment(uint32_t* dst, const uint32_t* texel, int count, uint32_t key);

// Where texel[i] differs from key: dst[i]'s luma plus luma_offset, clamped to
// the studio range, and its chroma pulled halfway (rounded up) towards the
// texel's.
void cast_segment(uint32_t* dst, const uint32_t* texel, int count, uint32_t key,
                  int32_t luma_offset);

} // namespace sim
