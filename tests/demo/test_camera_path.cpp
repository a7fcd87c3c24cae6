// The camera's smoothed pursuit: the first steps from the start record,
// legs of one and of no frames, degenerate directions, and the properties of
// the basis over the whole scripted flight.
#include "demo_fixture.h"

#include <array>
#include <climits>
#include <cmath>

namespace demo_test {
namespace {

constexpr int32_t one = 0x10000;

using CameraPath = DemoTest;

double value(int32_t fixed) {
    return fixed / 65536.0;
}

struct Axes {
    double x[3], y[3], z[3];
};

Axes axes_of(const Camera& c) {
    Axes a;
    for (int r = 0; r < 3; ++r) {
        a.x[r] = value(c.rot[3 * r]);
        a.y[r] = value(c.rot[3 * r + 1]);
        a.z[r] = value(c.rot[3 * r + 2]);
    }
    return a;
}

double dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

using Triple = std::array<int32_t, 3>;

Triple triple(const int32_t (&values)[3]) {
    return std::to_array(values);
}

void expect_identity_rotation() {
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(camera.rot[i], i % 4 == 0 ? one : 0) << "rot " << i;
}

TEST_F(CameraPath, FirstStepFromTheStartRecordMovesOnlyAlongZ) {
    camera.target = &targets_scene1[0];
    camera_move();
    // d = (274144 - 262144) / 50 = 240, speed = 240 / 17 = 14.
    EXPECT_EQ(triple(camera.pos), triple({0, 0, 262158}));
    EXPECT_EQ(triple(camera.pos_speed), triple({0, 0, 14}));
    EXPECT_EQ(triple(camera.axis_speed), triple({0, 0, 0}));
    EXPECT_EQ(camera.roll_speed, 0);
    expect_identity_rotation();
    EXPECT_EQ(triple(camera.prod), triple({0, 0, 0}));
    EXPECT_EQ(triple(camera.trans), triple({0, 0, -262158}));
    EXPECT_EQ(targets_scene1[0].frames, 50) << "camera_move only reads the target";
}

TEST_F(CameraPath, LastFrameOfALegBlendsTheOldSpeedInsteadOfArriving) {
    CameraTarget leg = {{0, 0, 262144 + 1700}, {0, 0, 0}, 0, 1};
    camera.target = &leg;
    camera.pos_speed[2] = 17;
    camera_move();
    // (1700 + 16 * 17) / 17 = 116: one frame is not enough to arrive.
    EXPECT_EQ(camera.pos_speed[2], 116);
    EXPECT_EQ(camera.pos[2], 262144 + 116);
}

// With no frames left nothing is steered, but the basis is still rebuilt
// and the translation recomputed from the current position.
TEST_F(CameraPath, LegWithoutFramesOnlyRebuildsTheBasis) {
    for (int32_t frames : {0, -1, INT_MIN}) {
        SCOPED_TRACE(frames);
        demo_reset_state();
        CameraTarget leg = {{5 * one, 5 * one, 5 * one}, {0, 0, 0}, one / 2, frames};
        camera.target = &leg;
        camera.pos[0] = one;
        camera.pos_speed[0] = 300;
        camera.axis_speed[1] = 400;
        camera.roll_speed = 500;
        // A scaled identity: twice as long on every axis.
        for (int i = 0; i < 9; ++i)
            camera.rot[i] = i % 4 == 0 ? 2 * one : 0;

        camera_move();

        EXPECT_EQ(triple(camera.pos), triple({one, 0, 262144}));
        EXPECT_EQ(camera.pos_speed[0], 300);
        EXPECT_EQ(camera.axis_speed[1], 400);
        EXPECT_EQ(camera.roll_speed, 500);
        expect_identity_rotation();
        EXPECT_EQ(triple(camera.trans), triple({-one, 0, -262144}));
    }
}

// A camera standing on its look-at point has no direction to steer to: the
// axis takes itself as the goal, so its turning speed dies away.
TEST_F(CameraPath, LookAtOnTheCameraBrakesTheAxisInsteadOfDividingByZero) {
    CameraTarget leg = {{0, 0, 262144}, {0, 0, 262144}, 0, 10};
    camera.target = &leg;
    camera.axis_speed[0] = 1700;
    camera_move();
    EXPECT_EQ(triple(camera.axis_speed), triple({1600, 0, 0})); // (0 + 16 x 1700) / 17
    EXPECT_GT(camera.rot[2], 0) << "the axis kept turning towards +x";
    EXPECT_EQ(camera.pos[2], 262144);
}

// A collapsed axis cannot be normalised and is left as it is.
TEST_F(CameraPath, CollapsedAxesAreLeftAlone) {
    CameraTarget leg = {{0, 0, 0}, {0, 0, one}, 0, 0};
    camera.target = &leg;
    for (int32_t& element : camera.rot)
        element = 0;
    camera_move();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(camera.rot[i], 0) << "rot " << i;

    // Only the x axis collapsed: z is normalised, x stays zero.
    for (int r = 0; r < 3; ++r)
        camera.rot[3 * r + 2] = r == 1 ? 3 * one : 0;
    camera_move();
    EXPECT_EQ(camera.rot[5], one);
    EXPECT_EQ(triple({camera.rot[0], camera.rot[3], camera.rot[6]}), triple({0, 0, 0}));
}

void cross(const double* a, const double* b, double* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Lengths come from a root with 8 fractional bits: the divisor falls short
// of the true length by up to 1/256 of 1.0, so a unit axis comes out up to
// ~1/256 long, a little more when the axis was shorter than 1.0 before, but
// never noticeably short; y = z x x up to twice that. The x axis is made
// orthogonal to a z axis up to 1/256 too long, so up to 2/256 of the earlier
// overlap survives.
constexpr double too_long = 1.0 / 200, too_short = 1.0 / 8192, overlap = 1.0 / 256;

void check_frame(bool first_scene) {
    const Axes a = axes_of(camera);
    for (const double* axis : {a.x, a.z}) {
        EXPECT_GE(std::sqrt(dot(axis, axis)), 1.0 - too_short);
        EXPECT_LE(std::sqrt(dot(axis, axis)), 1.0 + too_long);
    }
    EXPECT_GE(std::sqrt(dot(a.y, a.y)), 1.0 - too_short);
    EXPECT_LE(std::sqrt(dot(a.y, a.y)), 1.0 + 2 * too_long);
    EXPECT_LE(std::fabs(dot(a.x, a.z)), overlap);
    EXPECT_LE(std::fabs(dot(a.y, a.x)), overlap);
    EXPECT_LE(std::fabs(dot(a.y, a.z)), overlap);
    // y is z cross x, each element one truncated 64-bit difference, and the
    // basis is right-handed.
    double z_cross_x[3], x_cross_y[3];
    cross(a.z, a.x, z_cross_x);
    cross(a.x, a.y, x_cross_y);
    for (int r = 0; r < 3; ++r)
        EXPECT_LE(std::fabs(a.y[r] - z_cross_x[r]), 1.0 / 65536);
    EXPECT_GT(dot(x_cross_y, a.z), 0.99);

    // The eye itself lands on the view-space origin.
    FixVec eye = {camera.pos[0], camera.pos[1], camera.pos[2],
                  static_cast<int32_t>((int64_t{camera.pos[0]} * camera.pos[1]) >> 16)};
    fix16 view[3];
    FixMat_x_Vec(view, &camera, &eye, 1);
    for (fix16 component : view)
        EXPECT_LE(std::abs(component), 8) << "units of the last place";

    double to_look[3];
    for (int k = 0; k < 3; ++k)
        to_look[k] = value(camera.target->look_at[k] - camera.pos[k]);
    EXPECT_GT(std::sqrt(dot(to_look, to_look)), 0.01);
    if (first_scene) {
        EXPECT_LT(std::fabs(value(camera.pos[1])), 2.0) << "between the untextured faces";
    }
}

// The whole flight, both scenes, with the script's own target changes.
TEST_F(CameraPath, BasisStaysOrthonormalAndRightHandedOverTheWholeScript) {
    int frames = 0;
    const auto fly = [&](bool first_scene, bool (*advance)(int&)) {
        int index = 0;
        do {
            camera_move();
            SCOPED_TRACE(frames++);
            check_frame(first_scene);
            if (HasFailure()) return;
        } while (advance(index));
    };
    camera.target = &targets_scene1[0];
    fly(true, advance_scene1);
    adjust_camera_for_scene2();
    fly(false, advance_scene2);
    EXPECT_EQ(frames, 2665);
}

} // namespace
} // namespace demo_test
