// The two matrix-vector products: model or world space to view space, and
// back again with the transposed matrix.
#include "fix_wrap.h"
#include "fixmath.h"

using namespace fix_detail;

namespace {

inline fix16 rot_at(const FixMat* m, int row, int col) {
    return m->rot[3 * row + col];
}

// Only the low 8 bits of the translate flag count.
inline bool translation_on(int translate) {
    return (translate & 0xff) != 0;
}

} // namespace

/*
 * Two-product inner-product form: (a0 + b1)(a1 + b0) - a0 a1 - b0 b1 equals
 * a0 b0 + a1 b1, so the first two terms of each output cost one product,
 * with a0 a1 paid once per matrix (prod) and b0 b1 once per vector (xy).
 * That is two products per component instead of three.
 *
 * The first factor is a 64-bit sum of magnitude up to 2^32 and the second a
 * wrapped 32-bit sum, so their exact product can reach 2^63 and overflow a
 * signed 64-bit product. It is formed in uint64_t instead: the low 32 bits
 * after the shift by 16 depend only on the low 48 bits of the product, which
 * wrapping multiplication gets exactly right.
 */
void FixMat_x_Vec(fix16* dst, const FixMat* m, const FixVec* v, int translate) {
    for (int k = 0; k < 3; ++k) {
        const int64_t first = static_cast<int64_t>(rot_at(m, 0, k)) + v->y;
        const int64_t second = wrap_add(rot_at(m, 1, k), v->x);
        const uint64_t wide = static_cast<uint64_t>(first) * static_cast<uint64_t>(second);
        const int32_t pair = low32(static_cast<int64_t>(wide) >> 16);
        const int32_t third = mul_shift16(rot_at(m, 2, k), v->z);

        int32_t out = wrap_sub(wrap_sub(wrap_add(pair, third), m->prod[k]), v->xy);
        if (translation_on(translate)) {
            out = wrap_add(out, m->trans[k]);
        }
        dst[k] = out;
    }
}

namespace {

// Row r of rot applied to v: three separately truncated products summed in
// wrapping 32-bit arithmetic, in column order.
int32_t row_dot(const FixMat* m, int row, const fix16* v) {
    int32_t sum = 0;
    for (int j = 0; j < 3; ++j) {
        sum = wrap_add(sum, mul_shift16(rot_at(m, row, j), v[j]));
    }
    return sum;
}

} // namespace

/*
 * Plain nine-product form with the rows of rot, the inverse of FixMat_x_Vec
 * for an orthonormal rot. Only a few points per frame go this way, so the
 * product-saving form is not worth its bookkeeping here. The translation is
 * rotated first and subtracted afterwards, which is rot (v - trans) up to the
 * separate truncations.
 */
void FixMatT_x_Vec(fix16* dst, const FixMat* m, const fix16* v, int translate) {
    int32_t rotated_trans[3] = {0, 0, 0};
    const bool on = translation_on(translate);
    if (on) {
        for (int r = 0; r < 3; ++r) {
            rotated_trans[r] = row_dot(m, r, m->trans);
        }
    }
    for (int r = 0; r < 3; ++r) {
        int32_t out = row_dot(m, r, v);
        if (on) {
            out = wrap_sub(out, rotated_trans[r]);
        }
        dst[r] = out;
    }
}
