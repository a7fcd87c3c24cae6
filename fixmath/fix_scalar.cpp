// The scalar layer: 64-bit product, integer square root, normalisation and
// perspective division.
#include "fix_wrap.h"
#include "fixmath.h"

#include <utility>

using namespace fix_detail;

/*
 * Sign-magnitude product from 32-bit halves. The target has a 32x32->64
 * multiplier but no 64x64 one, so the product is assembled from the three
 * partial products that reach the low 64 bits; the high x high term and the
 * upper halves of the cross products fall beyond bit 63 and are dropped.
 * All of it runs in uint64_t, so it wraps modulo 2^64 by definition.
 */
int64_t Fix_mul64x64(int64_t a, int64_t b) {
    const uint64_t sign_mask = ((a < 0) != (b < 0)) ? ~uint64_t{0} : uint64_t{0};
    const uint64_t mag_a = a < 0 ? 0u - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    const uint64_t mag_b = b < 0 ? 0u - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);

    const uint64_t low_a = mag_a & 0xffffffffu;
    const uint64_t high_a = mag_a >> 32;
    const uint64_t low_b = mag_b & 0xffffffffu;
    const uint64_t high_b = mag_b >> 32;

    const uint64_t cross = (high_a * low_b + low_a * high_b) & 0xffffffffu;
    const uint64_t magnitude = low_a * low_b + (cross << 32);

    // Complementing and subtracting the all-ones mask negates; a zero mask
    // leaves the magnitude as it is.
    return static_cast<int64_t>((magnitude ^ sign_mask) - sign_mask);
}

namespace {

// One digit of the restoring square root: try to set root bit k. Q holds
// twice the root found so far, so the trial (Q + 2^k) << k is exactly
// (root + 2^k)^2 - root^2. For any non-negative 32-bit input the trial stays
// below 2^31; it is still formed in unsigned arithmetic so nothing can
// overflow. The comparison is signed, which makes every step fail for a
// negative input.
template <int k> inline void sqrt_digit(int32_t& remainder, int32_t& twice_root) {
    const int32_t trial = shift_left32(twice_root + (int32_t{1} << k), k);
    if (remainder >= trial) {
        remainder -= trial;
        twice_root |= int32_t{1} << (k + 1);
    }
}

template <int... steps>
inline int32_t sqrt_unrolled(int32_t x, std::integer_sequence<int, steps...>) {
    int32_t remainder = x;
    int32_t twice_root = 0;
    // The comma fold runs the digits left to right: k = 15 down to 0.
    (sqrt_digit<15 - steps>(remainder, twice_root), ...);
    return twice_root >> 1;
}

} // namespace

/*
 * Restoring digit-by-digit square root, fully unrolled into sixteen
 * compare-and-subtract steps. The target has no divide instruction and a
 * Newton iteration would need divisions; this uses only shifts, additions,
 * subtractions and comparisons, with no loop overhead.
 */
int32_t Fix_sqrt(int32_t x) {
    return sqrt_unrolled(x, std::make_integer_sequence<int, 16>{});
}

namespace {

// Sum of the three squares. Each square is at most 2^62, so the sum is exact
// in uint64_t even for components at the 32-bit limits; the halving loop
// below can therefore bring any vector into range.
uint64_t sum_of_squares(const fix16* v) {
    uint64_t sum = 0;
    for (int i = 0; i < 3; ++i) {
        const int64_t c = v[i];
        sum += static_cast<uint64_t>(c * c);
    }
    return sum;
}

} // namespace

/*
 * Normalisation by one square root and three divisions. Long vectors are
 * pre-scaled by halving (stored back) until the squared length in 16.16 is
 * a valid square root input; the length then keeps 8 fractional bits, so the
 * result is a unit vector only to within about 1/256. Vectors shorter than
 * 1/256 have a zero length and are returned unchanged rather than divided by
 * zero.
 */
void Fix_normalize(fix16* v) {
    uint64_t squared = sum_of_squares(v) >> 16;
    while (squared >= 0x7fffffffu) {
        for (int i = 0; i < 3; ++i) {
            v[i] >>= 1;
        }
        squared = sum_of_squares(v) >> 16;
    }

    const int32_t length = shift_left32(Fix_sqrt(static_cast<int32_t>(squared)), 8);
    if (length == 0) {
        return;
    }
    // Components are divided z first, then y, then x.
    for (int i = 2; i >= 0; --i) {
        v[i] = div_shift16(v[i], length);
    }
}

/*
 * Perspective division onto the plane z = -1: each of x and y is divided by
 * the depth -z (negated in 32 bits, then widened), and the low 32 bits of the
 * quotient are scaled by 2^shift. Points behind the viewer come out mirrored.
 * Two inputs have no meaningful result and are made safe: z == 0 writes
 * (0, 0) instead of dividing by zero, and only the low five bits of shift
 * are used, so the shift always stays within 0..31.
 */
void Fix_proj(fix16* out, const fix16* v, int shift) {
    const int32_t depth = wrap_neg(v[2]);
    if (depth == 0) {
        out[0] = 0;
        out[1] = 0;
        return;
    }
    const int safe_shift = shift & 31;
    out[0] = shift_left32(div_shift16(v[0], depth), safe_shift);
    out[1] = shift_left32(div_shift16(v[1], depth), safe_shift);
}
