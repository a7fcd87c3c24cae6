// The cosine table and the table-lookup sine and cosine.
#include "fix_wrap.h"
#include "fixmath.h"

using namespace fix_detail;

namespace {

// One and a quarter turns of 16.16 cosines; zero until Fix_trig_init runs.
fix16 sincos[fix_table_size];

// The step rotation by one table unit (2 pi / 65536) in 2.30 fixed point.
constexpr int64_t step_cos_2_30 = 1073741819; // 2^30 - 5
constexpr int64_t step_sin_2_30 = 102944;
constexpr int angle_mask = 0xffff;
constexpr int quarter_turn = 16384;

} // namespace

/*
 * Rotation recurrence in 2.30 fixed point: the point (cos, sin) is rotated by
 * one table step per entry, and each cosine is stored with 16 fractional
 * bits. Integer arithmetic alone gives the same table on every machine, and
 * the two extra fractional bits plus the floor shifts keep the drift over
 * 81920 steps below three units of the last place.
 *
 * The magnitudes of cv and sv stay below 2^31, so every product below is
 * below 2^61 and the plain signed 64-bit product is exact; the sums stay
 * below 2^62.
 */
void Fix_trig_init() {
    int64_t cv = int64_t{1} << 30;
    int64_t sv = 0;
    for (int n = 0; n < fix_table_size; ++n) {
        sincos[n] = low32(cv >> 14);
        const int64_t next_cv = (cv * step_cos_2_30 - sv * step_sin_2_30) >> 30;
        const int64_t next_sv = (sv * step_cos_2_30 + cv * step_sin_2_30) >> 30;
        cv = next_cv;
        sv = next_sv;
    }
}

fix16 Fix_cos(int32_t angle) {
    return sincos[angle & angle_mask];
}

// A quarter turn past the cosine: cos(theta + pi/2), which is -sin(theta).
// The extra quarter turn at the end of the table makes this read safe for
// every masked angle.
fix16 Fix_sin(int32_t angle) {
    return sincos[(angle & angle_mask) + quarter_turn];
}

const fix16* Fix_table() {
    return sincos;
}
