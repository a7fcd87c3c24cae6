// The rocking picture's rotation: its fixed zeros, its first frame, that it
// keeps the picture's shape, and that the picture never swings behind the
// viewer.
#include "demo_fixture.h"

#include <algorithm>
#include <cmath>

namespace demo_test {
namespace {

using SpinPicture = DemoTest;

double column_dot(const FixMat& m, int a, int b) {
    double sum = 0;
    for (int r = 0; r < 3; ++r)
        sum += (m.rot[3 * r + a] / 65536.0) * (m.rot[3 * r + b] / 65536.0);
    return sum;
}

TEST_F(SpinPicture, FirstFrameTiltsByTheRestingAngleLessTheFirstSwing) {
    const FixMat spin = spin_matrix(2000, 0);
    // sin(2000) in the table is about -12490, and -12490 >> 5 is -391.
    const int32_t alpha = 2609;
    EXPECT_EQ(spin.rot[4], Fix_cos(alpha));
    EXPECT_EQ(spin.rot[5], -Fix_sin(alpha));
    // beta = Fix_sin(0) >> 4 = -1 >> 4 = -1.
    EXPECT_EQ(spin.rot[0], Fix_cos(-1));
    EXPECT_EQ(spin.rot[6], Fix_sin(-1));
}

TEST_F(SpinPicture, EveryFrameKeepsZerosAndAnOrthonormalBasis) {
    int32_t first = 2000, second = 0;
    double worst_length = 0, worst_dot = 0;
    for (int frame = 0; frame < 1050; ++frame, first += 103, second += 207) {
        const FixMat spin = spin_matrix(first, second);
        ASSERT_EQ(spin.rot[3], 0) << frame;
        ASSERT_EQ(spin.prod[0], 0) << frame;
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(spin.trans[k], 0) << frame;
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(spin.prod[k],
                      static_cast<int32_t>((int64_t{spin.rot[k]} * spin.rot[3 + k]) >> 16));
            worst_length = std::max(worst_length, std::fabs(column_dot(spin, k, k) - 1.0));
            for (int j = k + 1; j < 3; ++j)
                worst_dot = std::max(worst_dot, std::fabs(column_dot(spin, k, j)));
        }
    }
    // Table values are within 2.5 units of the last place, and each product
    // truncates once more.
    EXPECT_LT(worst_length, 16.0 / 65536);
    EXPECT_LT(worst_dot, 16.0 / 65536);
}

TEST_F(SpinPicture, CornersStayInFrontOfTheViewerForAllPhases) {
    int32_t highest = INT32_MIN;
    for (int32_t first = 0; first < 65536; first += 127) {
        for (int32_t second = 0; second < 65536; second += 131) {
            rotate_pic(first, second);
            for (const FixVec& corner : pic_vec)
                highest = std::max(highest, corner.z);
        }
    }
    EXPECT_LT(highest, -19661) << "-0.3";
}

} // namespace
} // namespace demo_test
