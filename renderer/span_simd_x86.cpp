// The 16-pixel subspan with AVX2, chosen at run time: eight texel indexes
// computed and gathered at once, then the type's operation on all eight.
// Only the functions marked for AVX2 use it, and they run only when the
// processor has it.
#include "span_simd.h"

#include "config.h"

#include <immintrin.h>

namespace renderer {

namespace {

const bool have_avx2 = __builtin_cpu_supports("avx2");

// Eight pixels' texels from pixel `first` (0 or 8) of the subspan on.
__attribute__((target("avx2"))) inline __m256i gather8(const Subspan16& s, int first) {
    const __m256i lane = _mm256_setr_epi32(first, first + 1, first + 2, first + 3, first + 4,
                                           first + 5, first + 6, first + 7);
    const __m256i u =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s.u)),
                         _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(s.du))));
    const __m256i v =
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s.v)),
                         _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(s.dv))));
    const __m256i column = _mm256_and_si256(_mm256_srli_epi32(u, 16),
                                            _mm256_set1_epi32(static_cast<int>(s.width_mask)));
    const __m256i row = _mm256_and_si256(_mm256_srli_epi32(v, 16),
                                         _mm256_set1_epi32(static_cast<int>(s.height_mask)));
    const __m256i index = _mm256_or_si256(
        _mm256_sll_epi32(row, _mm_cvtsi32_si128(static_cast<int>(s.log2_width))), column);
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(s.texels), index, 4);
}

__attribute__((target("avx2"))) inline __m256i byte_at(__m256i x, int shift) {
    return _mm256_and_si256(_mm256_srli_epi32(x, shift), _mm256_set1_epi32(0xFF));
}

__attribute__((target("avx2"))) void paint(uint32_t type, const Subspan16& s) {
    for (int first = 0; first < 16; first += 8) {
        __m256i* const out = reinterpret_cast<__m256i*>(s.dst + first);
        const __m256i texel = gather8(s, first);
        const __m256i key = _mm256_set1_epi32(static_cast<int>(s.key));
        switch (type) {
        case 2:
            _mm256_storeu_si256(out, texel);
            break;
        case 3: {
            const __m256i lane = _mm256_setr_epi32(first, first + 1, first + 2, first + 3,
                                                   first + 4, first + 5, first + 6, first + 7);
            const __m256i a = _mm256_add_epi32(_mm256_set1_epi32(s.a),
                                               _mm256_mullo_epi32(lane, _mm256_set1_epi32(s.da)));
            const __m256i b = _mm256_add_epi32(_mm256_set1_epi32(s.b),
                                               _mm256_mullo_epi32(lane, _mm256_set1_epi32(s.db)));
            const __m256i y = _mm256_srai_epi32(
                _mm256_add_epi32(_mm256_mullo_epi32(byte_at(texel, 0), a), b), 16);
            const __m256i chroma =
                _mm256_and_si256(texel, _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
            _mm256_storeu_si256(
                out, _mm256_or_si256(chroma, _mm256_or_si256(y, _mm256_slli_epi32(y, 16))));
            break;
        }
        case 4: {
            const __m256i under = _mm256_loadu_si256(out);
            const __m256i keyed = _mm256_cmpeq_epi32(texel, key);
            _mm256_storeu_si256(out, _mm256_blendv_epi8(texel, under, keyed));
            break;
        }
        case 6: {
            const __m256i under = _mm256_loadu_si256(out);
            const __m256i keyed = _mm256_cmpeq_epi32(texel, key);
            __m256i y = _mm256_add_epi32(byte_at(under, 0), _mm256_set1_epi32(s.luma_offset));
            y = _mm256_min_epi32(_mm256_max_epi32(y, _mm256_set1_epi32(luma_min)),
                                 _mm256_set1_epi32(luma_max));
            const __m256i one = _mm256_set1_epi32(1);
            const __m256i u = _mm256_srli_epi32(
                _mm256_add_epi32(_mm256_add_epi32(byte_at(under, 8), byte_at(texel, 8)), one), 1);
            const __m256i v =
                _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_srli_epi32(under, 24),
                                                                    _mm256_srli_epi32(texel, 24)),
                                                   one),
                                  1);
            const __m256i pixel = _mm256_or_si256(
                _mm256_or_si256(y, _mm256_slli_epi32(u, 8)),
                _mm256_or_si256(_mm256_slli_epi32(y, 16), _mm256_slli_epi32(v, 24)));
            _mm256_storeu_si256(out, _mm256_blendv_epi8(pixel, under, keyed));
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

bool paint_subspan16_fast(uint32_t rendering_type, const Subspan16& s) {
    if (!have_avx2) return false;
    paint(rendering_type, s);
    return true;
}

} // namespace renderer
