// Named wrapping, shifting and product helpers for the fixed-point library
// and the demo's own 16.16 arithmetic.
//
// Every 32-bit sum, difference and negation here goes through uint32_t, where
// overflow is defined to wrap, and every left shift goes through an unsigned
// type, so no expression in the library can overflow a signed integer. The
// conversions back to the signed types are modular (defined since C++20),
// and right shifts of signed values are arithmetic.
#pragma once

#include <cstdint>

namespace fix_detail {

inline int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t wrap_neg(int32_t a) {
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

// The low 32 bits of a 64-bit value, reinterpreted as signed.
inline int32_t low32(int64_t a) {
    return static_cast<int32_t>(a);
}

inline int32_t shift_left32(int32_t a, int shift) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) << shift);
}

inline int64_t shift_left64(int64_t a, int shift) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) << shift);
}

// The full signed product of two 32-bit values; it needs at most 63 bits.
inline int64_t wide_mul(int32_t a, int32_t b) {
    return static_cast<int64_t>(a) * static_cast<int64_t>(b);
}

// The product rule: the full signed 64-bit product, shifted right
// arithmetically by 16 and cut to 32 bits.
inline int32_t mul_shift16(int32_t a, int32_t b) {
    return low32(wide_mul(a, b) >> 16);
}

// Sums of 64-bit products. Three products of full-range values can pass
// 2^63, so the sum is formed modulo 2^64 and read back as signed.
inline int64_t wrap_add64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

inline int64_t wrap_sub64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// The division rule: (a << 16) / b in 64 bits, truncating towards zero, low
// 32 bits kept. The dividend needs at most 48 bits, so the quotient cannot
// overflow; the caller guarantees b != 0.
inline int32_t div_shift16(int32_t a, int32_t b) {
    return low32(shift_left64(a, 16) / static_cast<int64_t>(b));
}

} // namespace fix_detail
