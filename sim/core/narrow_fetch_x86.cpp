// Eight texels at a time with the AVX2 gather: the eight indexes are stepped
// and masked in one vector, and one instruction loads the eight texels. The
// processor is asked once whether it has AVX2; without it the plain loop runs.
#include "narrow_fetch.h"

#include <immintrin.h>

namespace sim {

namespace {

__attribute__((target("avx2"))) void fetch_narrow_avx2(uint32_t* out, int count,
                                                       const NarrowFetch& f) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i du = _mm256_set1_epi32(static_cast<int>(f.du));
    const __m256i dv = _mm256_set1_epi32(static_cast<int>(f.dv));
    const __m256i width_mask = _mm256_set1_epi32(static_cast<int>(f.width_mask));
    const __m256i line_mask = _mm256_set1_epi32(static_cast<int>(f.line_mask));
    const __m256i du8 = _mm256_slli_epi32(du, 3);
    const __m256i dv8 = _mm256_slli_epi32(dv, 3);
    __m256i u =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(f.u)), _mm256_mullo_epi32(lane, du));
    __m256i v =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(f.v)), _mm256_mullo_epi32(lane, dv));
    const int* texels = reinterpret_cast<const int*>(f.texels);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        // Indexes stay below 2^16, so reading them as signed is harmless.
        const __m256i index =
            _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(v, 16), line_mask),
                            _mm256_and_si256(_mm256_srli_epi32(u, 16), width_mask));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_i32gather_epi32(texels, index, 4));
        u = _mm256_add_epi32(u, du8);
        v = _mm256_add_epi32(v, dv8);
    }
    fetch_narrow_scalar(out, i, count, f);
}

const bool has_avx2 = __builtin_cpu_supports("avx2");

} // namespace

void fetch_narrow(uint32_t* out, int count, const NarrowFetch& f) {
    if (has_avx2) {
        fetch_narrow_avx2(out, count, f);
    } else {
        fetch_narrow_scalar(out, 0, count, f);
    }
}

} // namespace sim
