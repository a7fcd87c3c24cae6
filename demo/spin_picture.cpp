// The rocking picture of the second scene: a 1.0 x 1.0 square in front of
// the eye, turned every frame by two phases that the scene advances.
#include "demo_arith.h"
#include "lumenfall.h"

#include <cstring>

using namespace arith;

namespace {

constexpr fix16 half = 32768;
constexpr fix16 quarter = 16384;
constexpr fix16 depth = -60000;
// The tilt about which the first phase rocks the picture.
constexpr int32_t resting_tilt = 3000;

// (-a) x b >> 16 with the 64-bit product negated before the shift, which
// rounds differently from negating the shifted product.
int32_t neg_mul_shift16(int32_t a, int32_t b) {
    return low32(wrap_sub64(0, wide_mul(a, b)) >> 16);
}

} // namespace

// Kept in view space: the picture stays in front of the camera wherever it
// flies, and only the spin moves it.
const FixVec vec[4] = {
    {-half, -half, depth, quarter},
    {half, -half, depth, -quarter},
    {half, half, depth, quarter},
    {-half, half, depth, -quarter},
};

FixVec pic_vec[4];

// A turn in the x-z plane by beta followed by one in the y-z plane by
// alpha, using the table's (cos, -sin) pairs as they come.
FixMat spin_matrix(int32_t first_phase, int32_t second_phase) {
    const int32_t alpha = wrap_add(Fix_sin(first_phase) >> 5, resting_tilt);
    const int32_t beta = Fix_sin(second_phase) >> 4;
    const fix16 ca = Fix_cos(alpha);
    const fix16 sa = Fix_sin(alpha);
    const fix16 cb = Fix_cos(beta);
    const fix16 sb = Fix_sin(beta);

    FixMat spin;
    std::memset(&spin, 0, sizeof(spin));
    spin.rot[0] = cb;
    spin.rot[1] = neg_mul_shift16(sa, sb);
    spin.rot[2] = neg_mul_shift16(ca, sb);
    spin.rot[3] = 0;
    spin.rot[4] = ca;
    spin.rot[5] = wrap_neg(sa);
    spin.rot[6] = sb;
    spin.rot[7] = mul_shift16(sa, cb);
    spin.rot[8] = mul_shift16(ca, cb);
    for (int k = 0; k < 3; ++k)
        spin.prod[k] = mul_shift16(spin.rot[k], spin.rot[3 + k]);
    return spin;
}

void rotate_pic(int32_t first_phase, int32_t second_phase) {
    const FixMat spin = spin_matrix(first_phase, second_phase);
    for (int j = 0; j < 4; ++j) {
        fix16 turned[3];
        FixMat_x_Vec(turned, &spin, &vec[j], 0);
        pic_vec[j].x = turned[0];
        pic_vec[j].y = turned[1];
        pic_vec[j].z = turned[2];
        pic_vec[j].xy = mul_shift16(turned[0], turned[1]);
    }
}

void reset_spin_picture() {
    std::memset(pic_vec, 0, sizeof(pic_vec));
}
