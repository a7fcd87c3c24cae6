// Integer helpers of the renderer core: floor and ceiling divisions, bit
// lengths and the one reciprocal of the span loop. Everything is defined for
// every input (no overflow, no division by zero reaches the processor), so
// the same source gives the same pixels on every processor it is built for.
#pragma once

#include <cstdint>

namespace renderer {

// Formats, named once:
//   raw       16.16, the wire's coordinates, texture coordinates and shades
//   cam       raw with 8 more fraction bits (int64): clipped camera points
//   sub       1/256 pixel: screen positions
inline constexpr int cam_extra_bits = 8;
inline constexpr int sub_pixel_bits = 8;
inline constexpr int32_t sub_pixel_one = 1 << sub_pixel_bits;
inline constexpr int32_t sub_pixel_half = sub_pixel_one / 2;
// Cut fractions along an edge, 0 .. 2^30.
inline constexpr int cut_fraction_bits = 30;

inline constexpr int64_t min64(int64_t a, int64_t b) {
    return a < b ? a : b;
}
inline constexpr int64_t max64(int64_t a, int64_t b) {
    return a > b ? a : b;
}
inline constexpr int64_t clamp64(int64_t x, int64_t lo, int64_t hi) {
    return x < lo ? lo : (x > hi ? hi : x);
}

// Wrapping arithmetic through unsigned: intermediate overflow is defined,
// and the result is right whenever the true result fits.
inline constexpr int64_t wrap_add64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
inline constexpr int64_t wrap_mul64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

// floor(a / b) and ceil(a / b) for b > 0 (C++ division truncates).
inline constexpr int64_t floor_div64(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline constexpr int64_t ceil_div64(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}
// a mod b in [0, b) for b > 0.
inline constexpr int64_t floor_mod64(int64_t a, int64_t b) {
    const int64_t r = a % b;
    return r < 0 ? r + b : r;
}

// Number of significant bits of x (0 for 0): the processor's count of
// leading zeros where it has one, a compare ladder where it has none (ARMv4T,
// whose library routine would cost more than the ladder).
#if defined(__ARM_ARCH) && !defined(__ARM_FEATURE_CLZ)
inline constexpr bool count_leading_zeros_instruction = false;
#else
inline constexpr bool count_leading_zeros_instruction = true;
#endif

// Bit lengths of the bytes, for the ladder's last step.
inline constexpr struct ByteBitLengths {
    uint8_t of[256];
    constexpr ByteBitLengths() : of{} {
        for (int i = 1; i < 256; ++i)
            of[i] = static_cast<uint8_t>(of[i >> 1] + 1);
    }
} byte_bit_lengths{};

[[gnu::always_inline]] inline constexpr int bit_length32_ladder(uint32_t x) {
    int n = 0;
    if (x >> 16) {
        x >>= 16;
        n += 16;
    }
    if (x >> 8) {
        x >>= 8;
        n += 8;
    }
    return n + byte_bit_lengths.of[x];
}

[[gnu::always_inline]] inline constexpr int bit_length32(uint32_t x) {
    if constexpr (count_leading_zeros_instruction) return x == 0 ? 0 : 32 - __builtin_clz(x);
    return bit_length32_ladder(x);
}

// v * n for a count n >= 0 (a row, a column, a span's length): the low 64 bits
// are the signed product's, and an unsigned 64 x 32 product is two
// multiplies on a 32-bit processor where the signed 64 x 64 one is four.
[[gnu::always_inline]] inline int64_t times_count(int64_t v, int32_t n) {
    return static_cast<int64_t>(static_cast<uint64_t>(v) * static_cast<uint32_t>(n));
}

// The same for 64 bits, as two 32-bit halves: no 64-bit shifts.
[[gnu::always_inline]] inline constexpr int bit_length64(uint64_t x) {
    const auto high = static_cast<uint32_t>(x >> 32);
    return high != 0 ? 32 + bit_length32(high) : bit_length32(static_cast<uint32_t>(x));
}

// t = a / (a + b) in 0 .. 2^30 for a, b >= 0 with a + b > 0: where an edge
// whose ends lie a and b away from a boundary, on either side, crosses it.
// Both are first shifted so that the sum fits 32 bits; one 64-bit division
// per cut.
inline int64_t cut_fraction(int64_t a, int64_t b) {
    uint64_t ua = static_cast<uint64_t>(a);
    uint64_t sum = ua + static_cast<uint64_t>(b);
    const int excess = bit_length64(sum) - 32;
    if (excess > 0) {
        ua >>= excess;
        sum >>= excess;
    }
    if (sum == 0) return 0;
    return static_cast<int64_t>((ua << cut_fraction_bits) / sum);
}

// floor-ish(d * t / 2^30) for t in 0 .. 2^30 and |d| < 2^62, in two halves
// so that no product exceeds 63 bits. Off by at most one from the exact
// floor, the same on every processor.
inline int64_t mul_fraction30(int64_t d, int64_t t) {
    const int64_t hi = d >> 16;
    const int64_t lo = d & 0xFFFF;
    return ((hi * t) >> (cut_fraction_bits - 16)) + ((lo * t) >> cut_fraction_bits);
}

// a + (b - a) * t / 2^30, the point a cut fraction t along from a to b.
inline int64_t lerp30(int64_t a, int64_t b, int64_t t) {
    return a + mul_fraction30(b - a, t);
}

// The reciprocal of the span loop. For 0 < w < 2^31, w = m * 2^e with m in
// [2^15, 2^16) (e may be negative); returns r ~= 2^32 / m in (2^16, 2^17]
// and shift = e, so that x / w ~= (x * r) >> (32 + shift).
//
// No division: a 256-entry table of reciprocals at the middle of each
// 1/256 of m's range (relative error below 2^-9), then one Newton step,
// r' = r * (2 - m * r / 2^32), which squares the error to about 2^-17.
// m * r stays within 2^23 of 2^32, so the correction fits 32 bits.
struct Reciprocal {
    uint32_t r;
    int shift;
};

// Computed by the compiler, in integers: 2^32 over the middle of each of the
// 256 equal parts of [2^15, 2^16).
struct ReciprocalSeeds {
    uint32_t values[256];
    constexpr ReciprocalSeeds() : values() {
        for (uint32_t i = 0; i < 256; ++i)
            values[i] =
                static_cast<uint32_t>((uint64_t{1} << 32) / ((1u << 15) + (i << 7) + (1u << 6)));
    }
};
inline constexpr ReciprocalSeeds reciprocal_seeds{};

[[gnu::always_inline]] inline Reciprocal reciprocal16(uint32_t w) {
    if (w < 1) w = 1;
    const int e = bit_length32(w) - 16;
    const uint32_t m = e >= 0 ? static_cast<uint32_t>(w >> e) : static_cast<uint32_t>(w << -e);
    const uint32_t r0 = reciprocal_seeds.values[(m >> 7) & 0xFFu];
    const auto error = static_cast<int32_t>(0u - m * r0); // 2^32 - m * r0
    // r0 <= 2^17: one signed 32 x 32 -> 64 multiply.
    const auto r1 = static_cast<uint32_t>(static_cast<int64_t>(r0) +
                                          ((int64_t{static_cast<int32_t>(r0)} * error) >> 32));
    return {r1, e};
}

} // namespace renderer
