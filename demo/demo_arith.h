// The demo's 16.16 arithmetic: the fixed-point library's named wrapping,
// shifting and product helpers, plus the inline vector length the camera
// uses.
#pragma once

#include "fix_wrap.h"
#include "fixmath.h"

#include <cstdint>

namespace arith {

using namespace fix_detail;

// The 16.16 length of a three-component vector: the sum of squares in 64
// bits, shifted down to 16.16, its integer root (8 fractional bits) shifted
// back up. Zero for vectors shorter than 1/256.
inline int32_t vector_length(int32_t x, int32_t y, int32_t z) {
    const int64_t squares = wrap_add64(wrap_add64(wide_mul(x, x), wide_mul(y, y)), wide_mul(z, z));
    return shift_left32(Fix_sqrt(low32(squares >> 16)), 8);
}

} // namespace arith
