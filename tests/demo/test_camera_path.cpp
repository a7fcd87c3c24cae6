// The camera's smoothed pursuit: the first steps from the start record,
// legs of one and of no frames, degenerate directions, and the properties of
// the basis over the whole scripted flight.
#include "demo_fixture.h"

#include <algorithm>
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

void expect_identity_rotation() {
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(camera.rot[i], i % 4 == 0 ? one : 0) << "rot " << i;
}

TEST_F(CameraPath, FirstStepFromTheStartRecordMovesOnlyAlongZ) {
    camera.target = &targets_scene1[0];
    camera_move();

    // d = (274144 - 262144) / 50 = 240, speed = 240 / 17 = 14.
    EXPECT_EQ(camera.pos[0], 0);
    EXPECT_EQ(camera.pos[1], 0);
    EXPECT_EQ(camera.pos[2], 262158);
    EXPECT_EQ(camera.pos_speed[2], 14);
    EXPECT_EQ(camera.pos_speed[0], 0);
    EXPECT_EQ(camera.pos_speed[1], 0);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(camera.axis_speed[k], 0);
    EXPECT_EQ(camera.roll_speed, 0);
    expect_identity_rotation();
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(camera.prod[k], 0);
    EXPECT_EQ(camera.trans[0], 0);
    EXPECT_EQ(camera.trans[1], 0);
    EXPECT_EQ(camera.trans[2], -262158);
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

TEST_F(CameraPath, SpeedDivisionTruncatesTowardsZero) {
    CameraTarget leg = {{0, 0, 262144 - 1700}, {0, 0, 0}, 0, 1};
    camera.target = &leg;
    camera.pos_speed[2] = -1;
    camera_move();
    // (-1700 - 16) / 17 = -100.94, truncated to -100.
    EXPECT_EQ(camera.pos_speed[2], -100);
    EXPECT_EQ(camera.pos[2], 262144 - 100);
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

        EXPECT_EQ(camera.pos[0], one);
        EXPECT_EQ(camera.pos[2], 262144);
        EXPECT_EQ(camera.pos_speed[0], 300);
        EXPECT_EQ(camera.axis_speed[1], 400);
        EXPECT_EQ(camera.roll_speed, 500);
        expect_identity_rotation();
        EXPECT_EQ(camera.trans[0], -one);
        EXPECT_EQ(camera.trans[1], 0);
        EXPECT_EQ(camera.trans[2], -262144);
    }
}

// A camera standing on its look-at point has no direction to steer to: the
// axis takes itself as the goal, so its turning speed dies away.
TEST_F(CameraPath, LookAtOnTheCameraBrakesTheAxisInsteadOfDividingByZero) {
    CameraTarget leg = {{0, 0, 262144}, {0, 0, 262144}, 0, 10};
    camera.target = &leg;
    camera.axis_speed[0] = 1700;
    camera_move();
    EXPECT_EQ(camera.axis_speed[0], 1600); // (0 + 16 * 1700) / 17
    EXPECT_EQ(camera.axis_speed[1], 0);
    EXPECT_EQ(camera.axis_speed[2], 0);
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
    EXPECT_EQ(camera.rot[0], 0);
    EXPECT_EQ(camera.rot[3], 0);
    EXPECT_EQ(camera.rot[6], 0);
}

struct FlightExtremes {
    double axis_length_low = 2, axis_length_high = 0;
    double y_length_low = 2, y_length_high = 0;
    double worst_x_dot_z = 0, worst_y_dot_others = 0;
    double worst_cross_error = 0, lowest_handedness = 2;
    int32_t worst_eye_offset = 0;
    double closest_look_at = 1e9;
    double scene1_highest_y = 0;
    int frames = 0;
};

void record_frame(FlightExtremes& e, bool first_scene) {
    const Axes a = axes_of(camera);
    const double lx = std::sqrt(dot(a.x, a.x));
    const double lz = std::sqrt(dot(a.z, a.z));
    const double ly = std::sqrt(dot(a.y, a.y));
    e.axis_length_low = std::min({e.axis_length_low, lx, lz});
    e.axis_length_high = std::max({e.axis_length_high, lx, lz});
    e.y_length_low = std::min(e.y_length_low, ly);
    e.y_length_high = std::max(e.y_length_high, ly);
    e.worst_x_dot_z = std::max(e.worst_x_dot_z, std::fabs(dot(a.x, a.z)));
    e.worst_y_dot_others =
        std::max({e.worst_y_dot_others, std::fabs(dot(a.y, a.x)), std::fabs(dot(a.y, a.z))});

    // y is z cross x, each element one truncated 64-bit difference.
    const double cross[3] = {a.z[1] * a.x[2] - a.z[2] * a.x[1], a.z[2] * a.x[0] - a.z[0] * a.x[2],
                             a.z[0] * a.x[1] - a.z[1] * a.x[0]};
    for (int r = 0; r < 3; ++r)
        e.worst_cross_error = std::max(e.worst_cross_error, std::fabs(a.y[r] - cross[r]));
    const double x_cross_y[3] = {a.x[1] * a.y[2] - a.x[2] * a.y[1],
                                 a.x[2] * a.y[0] - a.x[0] * a.y[2],
                                 a.x[0] * a.y[1] - a.x[1] * a.y[0]};
    e.lowest_handedness = std::min(e.lowest_handedness, dot(x_cross_y, a.z));

    // The eye itself must land on the view-space origin.
    FixVec eye = {camera.pos[0], camera.pos[1], camera.pos[2],
                  static_cast<int32_t>((int64_t{camera.pos[0]} * camera.pos[1]) >> 16)};
    fix16 view[3];
    FixMat_x_Vec(view, &camera, &eye, 1);
    for (fix16 component : view)
        e.worst_eye_offset = std::max(e.worst_eye_offset, std::abs(component));

    double to_look[3];
    for (int k = 0; k < 3; ++k)
        to_look[k] = value(camera.target->look_at[k] - camera.pos[k]);
    e.closest_look_at = std::min(e.closest_look_at, std::sqrt(dot(to_look, to_look)));
    if (first_scene)
        e.scene1_highest_y = std::max(e.scene1_highest_y, std::fabs(value(camera.pos[1])));
    ++e.frames;
}

// The whole flight, both scenes, with the script's own target changes.
TEST_F(CameraPath, BasisStaysOrthonormalAndRightHandedOverTheWholeScript) {
    FlightExtremes e;
    camera.target = &targets_scene1[0];
    int index = 0;
    do {
        camera_move();
        record_frame(e, true);
    } while (advance_scene1(index));
    adjust_camera_for_scene2();
    index = 0;
    do {
        camera_move();
        record_frame(e, false);
    } while (advance_scene2(index));

    EXPECT_EQ(e.frames, 2665);
    // Lengths come from a root with 8 fractional bits: the divisor falls
    // short of the true length by up to 1/256 of 1.0, so a unit axis comes
    // out up to ~1/256 long, a little more when the axis was shorter than
    // 1.0 before (never noticeably short); y = z x x up to twice that.
    EXPECT_GE(e.axis_length_low, 1.0 - 1.0 / 8192);
    EXPECT_LE(e.axis_length_high, 1.0 + 1.0 / 200);
    EXPECT_GE(e.y_length_low, 1.0 - 1.0 / 8192);
    EXPECT_LE(e.y_length_high, 1.0 + 2.0 / 200);
    // The x axis is made orthogonal to a z axis up to 1/256 too long, so up
    // to 2/256 of the earlier overlap survives.
    EXPECT_LE(e.worst_x_dot_z, 1.0 / 256);
    EXPECT_LE(e.worst_y_dot_others, 1.0 / 256);
    EXPECT_LE(e.worst_cross_error, 1.0 / 65536);
    EXPECT_GT(e.lowest_handedness, 0.99);
    EXPECT_LE(e.worst_eye_offset, 8) << "units of the last place";
    EXPECT_GT(e.closest_look_at, 0.01);
    EXPECT_LT(e.scene1_highest_y, 2.0) << "the camera must stay between the untextured faces";
    // Print the extremes so a change in the arithmetic shows in the log.
    RecordProperty("axis_length_high", std::to_string(e.axis_length_high));
    RecordProperty("worst_x_dot_z", std::to_string(e.worst_x_dot_z));
    RecordProperty("worst_y_dot_others", std::to_string(e.worst_y_dot_others));
    RecordProperty("worst_eye_offset", std::to_string(e.worst_eye_offset));
}

} // namespace
} // namespace demo_test
