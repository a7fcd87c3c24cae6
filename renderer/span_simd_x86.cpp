// The 16-pixel subspan with AVX2, chosen at run time: eight texel indexes
// computed and gathered at once, then the type's operation on all eight.
// Only the functions marked for AVX2 use it, and they run only when the
// processor has it.
#include "span_simd.h"

#include "config.h"
#include "fixed_point.h"
#include "luma_transfer.h"
#include "span_sample.h"

#include <immintrin.h>
#include <type_traits>

// GCC 12's 512-bit intrinsics start some results from a deliberately
// undefined vector, which its flow analysis reports as (maybe)
// uninitialised.
#if defined(__GNUC__) && !defined(__clang__) // clang has no such warning
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

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

// ---- Whole spans ----------------------------------------------------------


#define AVX2 __attribute__((target("avx2")))

// The high words of eight signed 32 x 32 -> 64 products.
AVX2 inline __m256i high_products(__m256i a, __m256i b) {
    const __m256i even = _mm256_mul_epi32(a, b);
    const __m256i odd = _mm256_mul_epi32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32));
    return _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
}

// The low words of eight (x * r) >> s, signed 64-bit products shifted by s
// in [0, 31]: bits s .. s + 31 of the product, the same whether the shift
// is arithmetic or logical.
AVX2 inline __m256i shifted_products_low(__m256i x, __m256i r, __m256i s) {
    const __m256i low_words = _mm256_set1_epi64x(0xFFFFFFFF);
    const __m256i even =
        _mm256_srlv_epi64(_mm256_mul_epi32(x, r), _mm256_and_si256(s, low_words));
    const __m256i odd = _mm256_srlv_epi64(
        _mm256_mul_epi32(_mm256_srli_epi64(x, 32), _mm256_srli_epi64(r, 32)),
        _mm256_srli_epi64(s, 32));
    return _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

// Four 64-bit arithmetic shifts right by counts in [0, 63] (AVX2 has only the
// logical one): shifting the complement of a negative value and
// complementing back fills with ones.
AVX2 inline __m256i shift_right_signed64(__m256i x, __m256i s) {
    const __m256i sign = _mm256_cmpgt_epi64(_mm256_setzero_si256(), x);
    return _mm256_xor_si256(_mm256_srlv_epi64(_mm256_xor_si256(x, sign), s), sign);
}

// The brightness steps of mask_sample for four samples in the even or odd
// words (x, r and s already moved to the low words of each 64-bit lane):
// the shade, bounded to 32 bits, times the scale, rounded to its high word.
AVX2 inline __m256i shade_steps4(__m256i sw, __m256i r, __m256i s, const MaskSpan& span) {
    constexpr int64_t half = int64_t{1} << 31;
    const __m256i shift = _mm256_and_si256(s, _mm256_set1_epi64x(0xFFFFFFFF));
    const __m256i shade =
        _mm256_add_epi64(_mm256_set1_epi64x(span.s_ref),
                         shift_right_signed64(_mm256_mul_epi32(sw, r), shift));
    const __m256i high = _mm256_cmpgt_epi64(shade, _mm256_set1_epi64x(half - 1));
    const __m256i low = _mm256_cmpgt_epi64(_mm256_set1_epi64x(-half), shade);
    __m256i bounded = _mm256_blendv_epi8(shade, _mm256_set1_epi64x(INT32_MAX), high);
    bounded = _mm256_blendv_epi8(bounded, _mm256_set1_epi64x(INT32_MIN), low);
    const __m256i scale = _mm256_set1_epi64x(span.shade_scale);
    __m256i product = _mm256_mul_epi32(bounded, scale);
    product = _mm256_add_epi64(product, _mm256_and_si256(high, scale));
    return _mm256_srli_epi64(_mm256_add_epi64(product, _mm256_set1_epi64x(half)), 32);
}

// Eight samples' texture coordinates and luma transfers.
struct Samples8 {
    alignas(32) uint32_t u[8];
    alignas(32) uint32_t v[8];
    alignas(32) int32_t a[8];
    alignas(32) int32_t b[8];
};

// mask_sample at the planes' values w, uw, vw, sw of eight samples:
// reciprocal16, the products and shifts, the luma transfer, lane by lane.
template <bool Shaded>
AVX2 inline void sample8(const MaskSpan& span, __m256i w, __m256i uw, __m256i vw, __m256i sw,
                         Samples8& out) {
    const __m256i zero = _mm256_setzero_si256();
    w = _mm256_max_epi32(w, _mm256_set1_epi32(1));
    // The bit length by halving, in integers (the core has no floating
    // point, and AVX2 has no count of leading zeros): w is at least 1.
    __m256i length = _mm256_set1_epi32(1);
    __m256i rest = w;
    for (const int step : {16, 8, 4, 2, 1}) {
        const __m256i above = _mm256_cmpgt_epi32(rest, _mm256_set1_epi32((1 << step) - 1));
        const __m256i shift = _mm256_and_si256(above, _mm256_set1_epi32(step));
        length = _mm256_add_epi32(length, shift);
        rest = _mm256_srlv_epi32(rest, shift);
    }
    const __m256i e = _mm256_sub_epi32(length, _mm256_set1_epi32(16)); // bit length - 16
    const __m256i m = _mm256_sllv_epi32(_mm256_srlv_epi32(w, _mm256_max_epi32(e, zero)),
                                        _mm256_max_epi32(_mm256_sub_epi32(zero, e), zero));
    const __m256i seed = _mm256_i32gather_epi32(
        reinterpret_cast<const int*>(reciprocal_seeds.values),
        _mm256_and_si256(_mm256_srli_epi32(m, 7), _mm256_set1_epi32(0xFF)), 4);
    const __m256i error = _mm256_sub_epi32(zero, _mm256_mullo_epi32(m, seed));
    const __m256i r = _mm256_add_epi32(seed, high_products(seed, error));

    const __m256i u = shifted_products_low(uw, r, _mm256_add_epi32(_mm256_set1_epi32(span.shift_u), e));
    const __m256i v = shifted_products_low(vw, r, _mm256_add_epi32(_mm256_set1_epi32(span.shift_v), e));
    _mm256_store_si256(reinterpret_cast<__m256i*>(out.u),
                       _mm256_add_epi32(u, _mm256_set1_epi32(static_cast<int>(span.u_ref))));
    _mm256_store_si256(reinterpret_cast<__m256i*>(out.v),
                       _mm256_add_epi32(v, _mm256_set1_epi32(static_cast<int>(span.v_ref))));
    if constexpr (Shaded) {
        const __m256i s = _mm256_add_epi32(_mm256_set1_epi32(span.shift_s), e);
        const __m256i even = shade_steps4(sw, r, s, span);
        const __m256i odd = shade_steps4(_mm256_srli_epi64(sw, 32), _mm256_srli_epi64(r, 32),
                                         _mm256_srli_epi64(s, 32), span);
        const __m256i steps = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
        // luma_transfer
        const __m256i n = _mm256_min_epu32(_mm256_abs_epi32(steps),
                                           _mm256_set1_epi32(luma_max_octaves * luma_steps_per_octave));
        const __m256i fraction = _mm256_i32gather_epi32(
            reinterpret_cast<const int*>(luma_octave_fraction),
            _mm256_and_si256(n, _mm256_set1_epi32(luma_steps_per_octave - 1)), 4);
        // A count of 32 or more leaves 0, as luma_transfer wants.
        const __m256i a = _mm256_srlv_epi32(
            fraction, _mm256_add_epi32(_mm256_srli_epi32(n, 10), _mm256_set1_epi32(15)));
        const __m256i limit = _mm256_blendv_epi8(_mm256_set1_epi32(luma_max),
                                                 _mm256_set1_epi32(luma_min),
                                                 _mm256_cmpgt_epi32(zero, steps));
        const __m256i b = _mm256_sub_epi32(
            _mm256_add_epi32(_mm256_slli_epi32(limit, 16), _mm256_set1_epi32(1 << 15)),
            _mm256_mullo_epi32(limit, a));
        _mm256_store_si256(reinterpret_cast<__m256i*>(out.a), a);
        _mm256_store_si256(reinterpret_cast<__m256i*>(out.b), b);
    } else {
        _mm256_store_si256(reinterpret_cast<__m256i*>(out.a), zero);
        _mm256_store_si256(reinterpret_cast<__m256i*>(out.b), zero);
    }
}

// Where a group of eight pixels fetches and what it shades with: texture
// coordinates and luma transfer, one lane a pixel.
struct Lanes {
    __m256i u, v, a, b;
};

// A byte value in each byte of a word, as set1_epi32 takes it.
constexpr int in_every_byte(int byte) {
    return static_cast<int>(static_cast<uint32_t>(byte) * 0x01010101u);
}

// max(offset, 0) in every byte, for saturating byte arithmetic.
AVX2 inline __m256i luma_bytes(int32_t offset) {
    return _mm256_set1_epi8(static_cast<char>(offset > 0 ? offset : 0));
}

// The texture's shape and the type's constants, as vectors.
struct SpanConstants {
    __m256i width_mask, height_mask, key;
    __m256i luma_raise, luma_lower; // the cast image's offset up or down, in every byte
    __m128i log2_width;
    const int* texels;
};

// Up to eight pixels of the type; only the first `n` lanes are read or
// written.
template <uint32_t Type>
AVX2 inline void paint8(uint32_t* dst, int32_t n, const SpanConstants& c, __m256i lane,
                        const Lanes& at) {
    const __m256i column = _mm256_and_si256(_mm256_srli_epi32(at.u, 16), c.width_mask);
    const __m256i row = _mm256_and_si256(_mm256_srli_epi32(at.v, 16), c.height_mask);
    const __m256i index = _mm256_or_si256(_mm256_sll_epi32(row, c.log2_width), column);
    // Every index lies inside the texture, so lanes past n may fetch too.
    const __m256i texel = _mm256_i32gather_epi32(c.texels, index, 4);
    const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), lane);
    __m256i* const out = reinterpret_cast<__m256i*>(dst);
    auto store = [&](__m256i pixel) AVX2 {
        if (n == 8)
            _mm256_storeu_si256(out, pixel);
        else
            _mm256_maskstore_epi32(reinterpret_cast<int*>(dst), live, pixel);
    };
    auto load_under = [&]() AVX2 {
        return n == 8 ? _mm256_loadu_si256(out)
                      : _mm256_maskload_epi32(reinterpret_cast<const int*>(dst), live);
    };
    const __m256i key = c.key;
    if constexpr (Type == 2) {
        store(texel);
    } else if constexpr (Type == 3) {
        const __m256i y = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(byte_at(texel, 0), at.a), at.b), 16);
        const __m256i chroma =
            _mm256_and_si256(texel, _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
        store(_mm256_or_si256(chroma, _mm256_or_si256(y, _mm256_slli_epi32(y, 16))));
    } else if constexpr (Type == 4) {
        const __m256i under = load_under();
        store(_mm256_blendv_epi8(texel, under, _mm256_cmpeq_epi32(texel, key)));
    } else {
        const __m256i under = load_under();
        const __m256i keyed = _mm256_cmpeq_epi32(texel, key);
        // Bytes 1 and 3 (the chroma) are the rounded-up averages of the
        // byte average; byte 0 (the luma) moves by the offset in saturating
        // byte arithmetic (one of raise and lower is 0), which the bounds
        // then clamp exactly as the 32-bit sum would, |offset| <= 255.
        const __m256i chroma = _mm256_and_si256(_mm256_avg_epu8(under, texel),
                                                _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
        __m256i y = _mm256_subs_epu8(_mm256_adds_epu8(under, c.luma_raise), c.luma_lower);
        y = _mm256_max_epu8(_mm256_min_epu8(y, _mm256_set1_epi32(in_every_byte(luma_max))),
                            _mm256_set1_epi32(in_every_byte(luma_min)));
        y = _mm256_and_si256(y, _mm256_set1_epi32(0xFF));
        const __m256i pixel =
            _mm256_or_si256(chroma, _mm256_or_si256(y, _mm256_slli_epi32(y, 16)));
        store(_mm256_blendv_epi8(pixel, under, keyed));
    }
}

// One subspan of a span: where it starts, how many pixels, and the linear
// steps of its texture coordinates and luma transfer, each value in every
// lane, so that whole subspans take them from the walk's vectors without a
// trip through memory.
struct SubspanSteps {
    uint32_t* dst;
    int32_t count;
    __m256i u, du, v, dv;
    __m256i a, da, b, db;
};

// The starts and steps of the subspans that end at a batch's eight
// samples: each starts at the sample before (the previous batch's last for
// the first lane) and steps by the difference over a whole subspan, which
// is what step_of gives for one (a span's last, shorter subspan takes its
// own step instead).
struct Steps8 {
    __m256i u, du, v, dv, a, da, b, db;
};

template <int Shift>
AVX2 inline void steps8(const uint32_t* ends, uint32_t carry, __m256i& starts, __m256i& steps) {
    const __m256i end = _mm256_load_si256(reinterpret_cast<const __m256i*>(ends));
    starts = _mm256_blend_epi32(
        _mm256_permutevar8x32_epi32(end, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6)),
        _mm256_set1_epi32(static_cast<int>(carry)), 1);
    steps = _mm256_srai_epi32(_mm256_sub_epi32(end, starts), Shift);
}

// The portable mask-wrap span's loop: subspans of 2^Shift pixels, each
// linear between the samples at its ends, the last one sampled at the
// span's last pixel; here the samples, and the whole subspans' steps, come
// eight at a time, and each subspan goes to paint, with
// std::true_type for a whole one (count is then 2^Shift).
template <bool Shaded, int Shift, class Paint>
[[gnu::always_inline]] AVX2 inline void walk_subspans(const MaskSpan& span, Paint&& paint) {
    constexpr int32_t whole = int32_t{1} << Shift;
    const int32_t pixels = span.pixels;
    // Samples 0 .. full lie at whole subspans; the one after them at the
    // last pixel (used only when the last subspan has more than one).
    const int32_t full = (pixels - 1) >> Shift;
    Samples8 batch;
    Steps8 walk;
    int32_t batch_first = -8;
    // Inlined, as its caller: GCC would otherwise keep the shaded batch
    // apart and pass its vectors through memory.
    auto refill = [&]() __attribute__((always_inline)) AVX2 {
        // The previous batch's last sample starts this batch's first
        // subspan (the first batch's first lane ends none).
        const uint32_t carry_u = batch_first < 0 ? 0 : batch.u[7];
        const uint32_t carry_v = batch_first < 0 ? 0 : batch.v[7];
        const auto carry_a = static_cast<uint32_t>(batch_first < 0 ? 0 : batch.a[7]);
        const auto carry_b = static_cast<uint32_t>(batch_first < 0 ? 0 : batch.b[7]);
        batch_first += 8;
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i k = _mm256_add_epi32(lane, _mm256_set1_epi32(batch_first));
        const __m256i beyond = _mm256_cmpgt_epi32(k, _mm256_set1_epi32(full));
        auto plane = [&](int32_t at, int32_t step, int32_t last) AVX2 {
            const __m256i stepped = _mm256_add_epi32(
                _mm256_set1_epi32(at), _mm256_mullo_epi32(k, _mm256_set1_epi32(step)));
            return _mm256_blendv_epi8(stepped, _mm256_set1_epi32(last), beyond);
        };
        sample8<Shaded>(span, plane(span.w, span.w_step, span.w_last),
                        plane(span.uw, span.uw_step, span.uw_last),
                        plane(span.vw, span.vw_step, span.vw_last),
                        Shaded ? plane(span.sw, span.sw_step, span.sw_last)
                               : _mm256_setzero_si256(),
                        batch);
        steps8<Shift>(batch.u, carry_u, walk.u, walk.du);
        steps8<Shift>(batch.v, carry_v, walk.v, walk.dv);
        if constexpr (Shaded) {
            steps8<Shift>(reinterpret_cast<const uint32_t*>(batch.a), carry_a, walk.a, walk.da);
            steps8<Shift>(reinterpret_cast<const uint32_t*>(batch.b), carry_b, walk.b, walk.db);
        }
    };
    auto broadcast = [&](uint32_t x) AVX2 { return _mm256_set1_epi32(static_cast<int>(x)); };
    const __m256i zero = _mm256_setzero_si256();
    refill();
    int32_t next = 1; // the batch's entry for the next subspan's end sample
    uint32_t* dst = span.dst;
    int32_t left = pixels;
    while (left > whole) {
        if (next == 8) {
            refill();
            next = 0;
        }
        // Lane `next` of each walk vector, in every lane.
        const __m256i pick = _mm256_set1_epi32(next);
        auto at = [&](__m256i x) AVX2 { return _mm256_permutevar8x32_epi32(x, pick); };
        SubspanSteps s{dst, whole, at(walk.u), at(walk.du), at(walk.v), at(walk.dv),
                       zero, zero, zero, zero};
        if constexpr (Shaded) {
            s.a = at(walk.a);
            s.da = at(walk.da);
            s.b = at(walk.b);
            s.db = at(walk.db);
        }
        ++next;
        paint(s, std::true_type{});
        dst += whole;
        left -= whole;
    }
    // The last subspan: left pixels, 1 <= left <= whole.
    const int32_t steps = left - 1;
    if (steps == 0) {
        // One pixel: the previous subspan's end sample.
        const int32_t at = next - 1;
        paint(SubspanSteps{dst, 1, broadcast(batch.u[at]), zero, broadcast(batch.v[at]), zero,
                           broadcast(static_cast<uint32_t>(batch.a[at])), zero,
                           broadcast(static_cast<uint32_t>(batch.b[at])), zero},
              std::false_type{});
        return;
    }
    if (next == 8) {
        refill();
        next = 0;
    }
    // Its start is the walk's; its step is its own.
    alignas(32) uint32_t starts[4][8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(starts[0]), walk.u);
    _mm256_store_si256(reinterpret_cast<__m256i*>(starts[1]), walk.v);
    const uint32_t u = starts[0][next], v = starts[1][next];
    SubspanSteps s{dst,
                   left,
                   broadcast(u),
                   broadcast(static_cast<uint32_t>(step_of(u, batch.u[next], steps, Shift))),
                   broadcast(v),
                   broadcast(static_cast<uint32_t>(step_of(v, batch.v[next], steps, Shift))),
                   zero,
                   zero,
                   zero,
                   zero};
    if constexpr (Shaded) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(starts[2]), walk.a);
        _mm256_store_si256(reinterpret_cast<__m256i*>(starts[3]), walk.b);
        const auto a = static_cast<int32_t>(starts[2][next]);
        const auto b = static_cast<int32_t>(starts[3][next]);
        s.a = broadcast(static_cast<uint32_t>(a));
        s.da = broadcast(static_cast<uint32_t>(step_of(a, batch.a[next], steps, Shift)));
        s.b = broadcast(static_cast<uint32_t>(b));
        s.db = broadcast(static_cast<uint32_t>(step_of(b, batch.b[next], steps, Shift)));
    }
    paint(s, std::false_type{});
}

template <uint32_t Type, int Shift> AVX2 void paint_whole_span(const MaskSpan& given) {
    // A copy the painted pixels cannot alias, so that its words stay in
    // registers.
    const MaskSpan span = given;
    const SpanConstants constants{_mm256_set1_epi32(static_cast<int>(span.width_mask)),
                                  _mm256_set1_epi32(static_cast<int>(span.height_mask)),
                                  _mm256_set1_epi32(static_cast<int>(span.key)),
                                  luma_bytes(span.luma_offset),
                                  luma_bytes(-span.luma_offset),
                                  _mm_cvtsi32_si128(static_cast<int>(span.log2_width)),
                                  reinterpret_cast<const int*>(span.texels)};
    constexpr bool shaded = Type == 3;
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    auto spread = [&](__m256i at, __m256i step) AVX2 {
        return _mm256_add_epi32(at, _mm256_mullo_epi32(lane, step));
    };
    walk_subspans<shaded, Shift>(span, [&](const SubspanSteps& s, auto whole) AVX2 {
        const int32_t count = decltype(whole)::value ? int32_t{1} << Shift : s.count;
        Lanes at{spread(s.u, s.du), spread(s.v, s.dv), _mm256_setzero_si256(),
                 _mm256_setzero_si256()};
        const __m256i du8 = _mm256_slli_epi32(s.du, 3), dv8 = _mm256_slli_epi32(s.dv, 3);
        __m256i da8 = _mm256_setzero_si256(), db8 = _mm256_setzero_si256();
        if constexpr (shaded) {
            at.a = spread(s.a, s.da);
            at.b = spread(s.b, s.db);
            da8 = _mm256_slli_epi32(s.da, 3);
            db8 = _mm256_slli_epi32(s.db, 3);
        }
        for (int32_t i = 0; i < count; i += 8) {
            paint8<Type>(s.dst + i, count - i < 8 ? count - i : 8, constants, lane, at);
            at.u = _mm256_add_epi32(at.u, du8);
            at.v = _mm256_add_epi32(at.v, dv8);
            if constexpr (shaded) {
                at.a = _mm256_add_epi32(at.a, da8);
                at.b = _mm256_add_epi32(at.b, db8);
            }
        }
    });
}

// ---- Sixteen pixels at once where the processor has 512-bit vectors -------

// The byte operations of the cast image need the byte-and-word extension,
// which every processor with 512-bit integer vectors for desktops and
// servers has.
#define AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512cd")))

const bool have_avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                         __builtin_cpu_supports("avx512cd");

// Up to sixteen pixels of the type from the lanes' coordinates and shade;
// only the lanes in `live` are read or written. The colour-keyed types
// leave keyed pixels alone by not writing them.
template <uint32_t Type>
AVX512 inline void paint16(uint32_t* dst, __mmask16 live, const MaskSpan& c, __m512i u, __m512i v,
                           __m512i a, __m512i b) {
    const __m512i column =
        _mm512_and_si512(_mm512_srli_epi32(u, 16), _mm512_set1_epi32(static_cast<int>(c.width_mask)));
    const __m512i row =
        _mm512_and_si512(_mm512_srli_epi32(v, 16), _mm512_set1_epi32(static_cast<int>(c.height_mask)));
    const __m512i index = _mm512_or_si512(
        _mm512_sll_epi32(row, _mm_cvtsi32_si128(static_cast<int>(c.log2_width))), column);
    // Every index lies inside the texture, so dead lanes may fetch too.
    const __m512i texel = _mm512_i32gather_epi32(index, c.texels, 4);
    if constexpr (Type == 2) {
        _mm512_mask_storeu_epi32(dst, live, texel);
    } else if constexpr (Type == 3) {
        const __m512i luma = _mm512_and_si512(texel, _mm512_set1_epi32(0xFF));
        const __m512i y =
            _mm512_srai_epi32(_mm512_add_epi32(_mm512_mullo_epi32(luma, a), b), 16);
        const __m512i chroma =
            _mm512_and_si512(texel, _mm512_set1_epi32(static_cast<int>(0xFF00FF00u)));
        _mm512_mask_storeu_epi32(dst, live,
                                 _mm512_or_si512(chroma, _mm512_or_si512(y, _mm512_slli_epi32(y, 16))));
    } else {
        const __mmask16 drawn = _kandn_mask16(
            _mm512_cmpeq_epi32_mask(texel, _mm512_set1_epi32(static_cast<int>(c.key))), live);
        if constexpr (Type == 4) {
            _mm512_mask_storeu_epi32(dst, drawn, texel);
        } else {
            // As paint8: byte averages for the chroma, saturating bytes for
            // the luma.
            const __m512i under = _mm512_maskz_loadu_epi32(drawn, dst);
            const int32_t offset = c.luma_offset;
            const __m512i chroma =
                _mm512_and_si512(_mm512_avg_epu8(under, texel),
                                 _mm512_set1_epi32(static_cast<int>(0xFF00FF00u)));
            __m512i y = _mm512_subs_epu8(
                _mm512_adds_epu8(under, _mm512_set1_epi8(static_cast<char>(offset > 0 ? offset : 0))),
                _mm512_set1_epi8(static_cast<char>(offset < 0 ? -offset : 0)));
            y = _mm512_max_epu8(_mm512_min_epu8(y, _mm512_set1_epi32(in_every_byte(luma_max))),
                                _mm512_set1_epi32(in_every_byte(luma_min)));
            y = _mm512_and_si512(y, _mm512_set1_epi32(0xFF));
            _mm512_mask_storeu_epi32(
                dst, drawn, _mm512_or_si512(chroma, _mm512_or_si512(y, _mm512_slli_epi32(y, 16))));
        }
    }
}

// The samples sixteen at a time: sample8's integers, lane for lane, with
// 512-bit vectors and masks, so that a span of up to sixteen subspans
// (256 or 512 pixels) takes one batch.

// The high words of sixteen signed 32 x 32 -> 64 products.
AVX512 inline __m512i high_products16(__m512i a, __m512i b) {
    const __m512i even = _mm512_mul_epi32(a, b);
    const __m512i odd = _mm512_mul_epi32(_mm512_srli_epi64(a, 32), _mm512_srli_epi64(b, 32));
    return _mm512_mask_blend_epi32(0xAAAA, _mm512_srli_epi64(even, 32), odd);
}

// shifted_products_low for sixteen lanes.
AVX512 inline __m512i shifted_products_low16(__m512i x, __m512i r, __m512i s) {
    const __m512i low_words = _mm512_set1_epi64(0xFFFFFFFF);
    const __m512i even =
        _mm512_srlv_epi64(_mm512_mul_epi32(x, r), _mm512_and_si512(s, low_words));
    const __m512i odd = _mm512_srlv_epi64(
        _mm512_mul_epi32(_mm512_srli_epi64(x, 32), _mm512_srli_epi64(r, 32)),
        _mm512_srli_epi64(s, 32));
    return _mm512_mask_blend_epi32(0xAAAA, even, _mm512_slli_epi64(odd, 32));
}

// shade_steps4 for eight samples in the even or odd words; 512-bit vectors
// have the arithmetic 64-bit shift.
AVX512 inline __m512i shade_steps8(__m512i sw, __m512i r, __m512i s, const MaskSpan& span) {
    constexpr int64_t half = int64_t{1} << 31;
    const __m512i shift = _mm512_and_si512(s, _mm512_set1_epi64(0xFFFFFFFF));
    const __m512i shade = _mm512_add_epi64(_mm512_set1_epi64(span.s_ref),
                                           _mm512_srav_epi64(_mm512_mul_epi32(sw, r), shift));
    const __mmask8 high = _mm512_cmpgt_epi64_mask(shade, _mm512_set1_epi64(half - 1));
    const __mmask8 low = _mm512_cmpgt_epi64_mask(_mm512_set1_epi64(-half), shade);
    __m512i bounded = _mm512_mask_blend_epi64(high, shade, _mm512_set1_epi64(INT32_MAX));
    bounded = _mm512_mask_blend_epi64(low, bounded, _mm512_set1_epi64(INT32_MIN));
    const __m512i scale = _mm512_set1_epi64(span.shade_scale);
    __m512i product = _mm512_mul_epi32(bounded, scale);
    product = _mm512_mask_add_epi64(product, high, product, scale);
    return _mm512_srli_epi64(_mm512_add_epi64(product, _mm512_set1_epi64(half)), 32);
}

struct Samples16 {
    alignas(64) uint32_t u[16];
    alignas(64) uint32_t v[16];
    alignas(64) int32_t a[16];
    alignas(64) int32_t b[16];
};

template <bool Shaded>
AVX512 inline void sample16(const MaskSpan& span, __m512i w, __m512i uw, __m512i vw, __m512i sw,
                            Samples16& out) {
    const __m512i zero = _mm512_setzero_si512();
    w = _mm512_max_epi32(w, _mm512_set1_epi32(1));
    // The bit length from the count of leading zeros (w is at least 1).
    const __m512i length = _mm512_sub_epi32(_mm512_set1_epi32(32), _mm512_lzcnt_epi32(w));
    const __m512i e = _mm512_sub_epi32(length, _mm512_set1_epi32(16)); // bit length - 16
    const __m512i m = _mm512_sllv_epi32(_mm512_srlv_epi32(w, _mm512_max_epi32(e, zero)),
                                        _mm512_max_epi32(_mm512_sub_epi32(zero, e), zero));
    const __m512i seed = _mm512_i32gather_epi32(
        _mm512_and_si512(_mm512_srli_epi32(m, 7), _mm512_set1_epi32(0xFF)),
        reinterpret_cast<const int*>(reciprocal_seeds.values), 4);
    const __m512i error = _mm512_sub_epi32(zero, _mm512_mullo_epi32(m, seed));
    const __m512i r = _mm512_add_epi32(seed, high_products16(seed, error));

    const __m512i u =
        shifted_products_low16(uw, r, _mm512_add_epi32(_mm512_set1_epi32(span.shift_u), e));
    const __m512i v =
        shifted_products_low16(vw, r, _mm512_add_epi32(_mm512_set1_epi32(span.shift_v), e));
    _mm512_store_si512(out.u, _mm512_add_epi32(u, _mm512_set1_epi32(static_cast<int>(span.u_ref))));
    _mm512_store_si512(out.v, _mm512_add_epi32(v, _mm512_set1_epi32(static_cast<int>(span.v_ref))));
    if constexpr (Shaded) {
        const __m512i s = _mm512_add_epi32(_mm512_set1_epi32(span.shift_s), e);
        const __m512i even = shade_steps8(sw, r, s, span);
        const __m512i odd = shade_steps8(_mm512_srli_epi64(sw, 32), _mm512_srli_epi64(r, 32),
                                         _mm512_srli_epi64(s, 32), span);
        const __m512i steps = _mm512_mask_blend_epi32(0xAAAA, even, _mm512_slli_epi64(odd, 32));
        const __m512i n = _mm512_min_epu32(
            _mm512_abs_epi32(steps), _mm512_set1_epi32(luma_max_octaves * luma_steps_per_octave));
        const __m512i fraction = _mm512_i32gather_epi32(
            _mm512_and_si512(n, _mm512_set1_epi32(luma_steps_per_octave - 1)),
            reinterpret_cast<const int*>(luma_octave_fraction), 4);
        // A count of 32 or more leaves 0, as luma_transfer wants.
        const __m512i a = _mm512_srlv_epi32(
            fraction, _mm512_add_epi32(_mm512_srli_epi32(n, 10), _mm512_set1_epi32(15)));
        const __m512i limit =
            _mm512_mask_blend_epi32(_mm512_cmpgt_epi32_mask(zero, steps),
                                    _mm512_set1_epi32(luma_max), _mm512_set1_epi32(luma_min));
        const __m512i b = _mm512_sub_epi32(
            _mm512_add_epi32(_mm512_slli_epi32(limit, 16), _mm512_set1_epi32(1 << 15)),
            _mm512_mullo_epi32(limit, a));
        _mm512_store_si512(out.a, a);
        _mm512_store_si512(out.b, b);
    } else {
        _mm512_store_si512(out.a, zero);
        _mm512_store_si512(out.b, zero);
    }
}

// A whole subspan's starts and steps in all sixteen lanes.
struct SubspanSteps16 {
    uint32_t* dst;
    int32_t count;
    __m512i u, du, v, dv;
    __m512i a, da, b, db;
};

struct Steps16 {
    __m512i u, du, v, dv, a, da, b, db;
};

template <int Shift>
AVX512 inline void steps16(const uint32_t* ends, uint32_t carry, __m512i& starts, __m512i& steps) {
    const __m512i end = _mm512_load_si512(ends);
    const __m512i before = _mm512_permutexvar_epi32(
        _mm512_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14), end);
    starts = _mm512_mask_blend_epi32(1, before, _mm512_set1_epi32(static_cast<int>(carry)));
    steps = _mm512_srai_epi32(_mm512_sub_epi32(end, starts), Shift);
}

// walk_subspans with batches of sixteen samples.
template <bool Shaded, int Shift, class Paint>
[[gnu::always_inline]] AVX512 inline void walk_subspans16(const MaskSpan& span, Paint&& paint) {
    constexpr int32_t whole = int32_t{1} << Shift;
    constexpr int32_t batch_size = 16;
    const int32_t pixels = span.pixels;
    const int32_t full = (pixels - 1) >> Shift;
    Samples16 batch;
    Steps16 walk;
    int32_t batch_first = -batch_size;
    auto refill = [&]() __attribute__((always_inline)) AVX512 {
        const uint32_t carry_u = batch_first < 0 ? 0 : batch.u[batch_size - 1];
        const uint32_t carry_v = batch_first < 0 ? 0 : batch.v[batch_size - 1];
        const auto carry_a =
            static_cast<uint32_t>(batch_first < 0 ? 0 : batch.a[batch_size - 1]);
        const auto carry_b =
            static_cast<uint32_t>(batch_first < 0 ? 0 : batch.b[batch_size - 1]);
        batch_first += batch_size;
        const __m512i k = _mm512_add_epi32(
            _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
            _mm512_set1_epi32(batch_first));
        const __mmask16 beyond = _mm512_cmpgt_epi32_mask(k, _mm512_set1_epi32(full));
        auto plane = [&](int32_t at, int32_t step, int32_t last) AVX512 {
            const __m512i stepped = _mm512_add_epi32(
                _mm512_set1_epi32(at), _mm512_mullo_epi32(k, _mm512_set1_epi32(step)));
            return _mm512_mask_blend_epi32(beyond, stepped, _mm512_set1_epi32(last));
        };
        sample16<Shaded>(span, plane(span.w, span.w_step, span.w_last),
                         plane(span.uw, span.uw_step, span.uw_last),
                         plane(span.vw, span.vw_step, span.vw_last),
                         Shaded ? plane(span.sw, span.sw_step, span.sw_last)
                                : _mm512_setzero_si512(),
                         batch);
        steps16<Shift>(batch.u, carry_u, walk.u, walk.du);
        steps16<Shift>(batch.v, carry_v, walk.v, walk.dv);
        if constexpr (Shaded) {
            steps16<Shift>(reinterpret_cast<const uint32_t*>(batch.a), carry_a, walk.a, walk.da);
            steps16<Shift>(reinterpret_cast<const uint32_t*>(batch.b), carry_b, walk.b, walk.db);
        }
    };
    auto broadcast = [&](uint32_t x) AVX512 { return _mm512_set1_epi32(static_cast<int>(x)); };
    const __m512i zero = _mm512_setzero_si512();
    refill();
    int32_t next = 1;
    uint32_t* dst = span.dst;
    int32_t left = pixels;
    while (left > whole) {
        if (next == batch_size) {
            refill();
            next = 0;
        }
        const __m512i pick = _mm512_set1_epi32(next);
        auto at = [&](__m512i x) AVX512 { return _mm512_permutexvar_epi32(pick, x); };
        SubspanSteps16 s{dst, whole, at(walk.u), at(walk.du), at(walk.v), at(walk.dv),
                         zero, zero, zero, zero};
        if constexpr (Shaded) {
            s.a = at(walk.a);
            s.da = at(walk.da);
            s.b = at(walk.b);
            s.db = at(walk.db);
        }
        ++next;
        paint(s, std::true_type{});
        dst += whole;
        left -= whole;
    }
    const int32_t steps = left - 1;
    if (steps == 0) {
        const int32_t at = next - 1;
        paint(SubspanSteps16{dst, 1, broadcast(batch.u[at]), zero, broadcast(batch.v[at]), zero,
                             broadcast(static_cast<uint32_t>(batch.a[at])), zero,
                             broadcast(static_cast<uint32_t>(batch.b[at])), zero},
              std::false_type{});
        return;
    }
    if (next == batch_size) {
        refill();
        next = 0;
    }
    alignas(64) uint32_t starts[4][16];
    _mm512_store_si512(starts[0], walk.u);
    _mm512_store_si512(starts[1], walk.v);
    const uint32_t u = starts[0][next], v = starts[1][next];
    SubspanSteps16 s{dst,
                     left,
                     broadcast(u),
                     broadcast(static_cast<uint32_t>(step_of(u, batch.u[next], steps, Shift))),
                     broadcast(v),
                     broadcast(static_cast<uint32_t>(step_of(v, batch.v[next], steps, Shift))),
                     zero,
                     zero,
                     zero,
                     zero};
    if constexpr (Shaded) {
        _mm512_store_si512(starts[2], walk.a);
        _mm512_store_si512(starts[3], walk.b);
        const auto a = static_cast<int32_t>(starts[2][next]);
        const auto b = static_cast<int32_t>(starts[3][next]);
        s.a = broadcast(static_cast<uint32_t>(a));
        s.da = broadcast(static_cast<uint32_t>(step_of(a, batch.a[next], steps, Shift)));
        s.b = broadcast(static_cast<uint32_t>(b));
        s.db = broadcast(static_cast<uint32_t>(step_of(b, batch.b[next], steps, Shift)));
    }
    paint(s, std::false_type{});
}

template <uint32_t Type, int Shift> AVX512 void paint_whole_span16(const MaskSpan& given) {
    const MaskSpan span = given; // as in paint_whole_span
    constexpr bool shaded = Type == 3;
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    auto spread = [&](__m512i at, __m512i step) AVX512 {
        return _mm512_add_epi32(at, _mm512_mullo_epi32(lane, step));
    };
    walk_subspans16<shaded, Shift>(span, [&](const SubspanSteps16& s, auto whole) AVX512 {
        const int32_t count = decltype(whole)::value ? int32_t{1} << Shift : s.count;
        __m512i u = spread(s.u, s.du), v = spread(s.v, s.dv);
        __m512i a = _mm512_setzero_si512(), b = _mm512_setzero_si512();
        if constexpr (shaded) {
            a = spread(s.a, s.da);
            b = spread(s.b, s.db);
        }
        for (int32_t i = 0; i < count; i += 16) {
            const int32_t n = count - i;
            const auto live = static_cast<__mmask16>(n >= 16 ? 0xFFFF : (1u << n) - 1);
            paint16<Type>(s.dst + i, live, span, u, v, a, b);
            if (n <= 16) break;
            u = _mm512_add_epi32(u, _mm512_slli_epi32(s.du, 4));
            v = _mm512_add_epi32(v, _mm512_slli_epi32(s.dv, 4));
            if constexpr (shaded) {
                a = _mm512_add_epi32(a, _mm512_slli_epi32(s.da, 4));
                b = _mm512_add_epi32(b, _mm512_slli_epi32(s.db, 4));
            }
        }
    });
}

// 32-byte stores: a quarter of the portable loop's 16-byte ones in
// instructions, and faster where the rows are in the cache (fast runs).
// Non-temporal stores were measured slower on the development machine,
// even for rows not in the cache.
AVX2 void fill8(uint32_t* dst, int32_t count, uint32_t color) {
    const __m256i value = _mm256_set1_epi32(static_cast<int>(color));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), value);
    if (i < count) {
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i),
                                                _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        _mm256_maskstore_epi32(reinterpret_cast<int*>(dst + i), live, value);
    }
}

#undef AVX512
#undef AVX2

int widest_span_lanes() {
    return have_avx512 ? 16 : have_avx2 ? 8 : 0;
}

int fast_span_lanes = widest_span_lanes();

template <uint32_t Type> void paint_whole_span_of_type(const MaskSpan& s) {
    const bool long_subspans = s.subspan_shift == long_subspan_shift;
    if (fast_span_lanes == 16)
        long_subspans ? paint_whole_span16<Type, long_subspan_shift>(s)
                      : paint_whole_span16<Type, subspan_shift>(s);
    else
        long_subspans ? paint_whole_span<Type, long_subspan_shift>(s)
                      : paint_whole_span<Type, subspan_shift>(s);
}

} // namespace

bool paint_subspan16_fast(uint32_t rendering_type, const Subspan16& s) {
    if (!have_avx2) return false;
    paint(rendering_type, s);
    return true;
}

bool paint_mask_span_fast(uint32_t rendering_type, const MaskSpan& s) {
    if (fast_span_lanes == 0) return false;
    switch (rendering_type) {
    case 2:
        paint_whole_span_of_type<2>(s);
        return true;
    case 3:
        paint_whole_span_of_type<3>(s);
        return true;
    case 4:
        paint_whole_span_of_type<4>(s);
        return true;
    case 6:
        paint_whole_span_of_type<6>(s);
        return true;
    default:
        return false;
    }
}

bool fill_fast(uint32_t* dst, int32_t count, uint32_t color) {
    if (fast_span_lanes == 0) return false;
    fill8(dst, count, color);
    return true;
}

int use_fast_spans(int lanes) {
    const int widest = widest_span_lanes();
    fast_span_lanes = lanes >= 16 ? widest : lanes >= 8 && widest >= 8 ? 8 : 0;
    return fast_span_lanes;
}

} // namespace renderer
