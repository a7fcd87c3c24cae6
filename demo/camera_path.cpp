// The scripted camera: its record, the two path tables and the per-frame
// smoothed pursuit of the current target.
#include "demo_arith.h"
#include "lumenfall.h"

using namespace arith;

namespace {

constexpr fix16 one = 0x10000;

// Identity rotation, standing at (0, 0, 4.0), all speeds zero.
constexpr Camera camera_start = {
    {{one, 0, 0, 0, one, 0, 0, 0, one}, {0, 0, 0}, {0, 0, 0}},
    {0, 0, 262144},
    nullptr,
    {0, 0, 0},
    {0, 0, 0},
    0,
};

// The first scene flies once round the outside of the cube.
constexpr std::array<CameraTarget, scene1_target_count> scene1_path = {{
    {{0, 0, 274144}, {0, 0, 131072}, 0, 50},
    {{30000, 5000, 297144}, {0, 0, 131072}, 30000, 50},
    {{-6000, -5000, 242144}, {600, 100, 65536}, -20000, 50},
    {{262144, 5000, 262144}, {0, 0, 0}, -3000, 100},
    {{393216, 5000, 0}, {131072, 0, 0}, 3000, 100},
    {{312144, -20000, 30000}, {131072, 0, 0}, 0, 90},
    {{322144, 30000, 0}, {131072, 0, 0}, -3000, 70},
    {{262144, 20000, -262144}, {131072, 0, 0}, 10000, 100},
    {{0, 0, -393216}, {0, 0, 0}, 0, 70},
    {{131072, 10000, -393216}, {0, 0, -131072}, 30000, 100},
    {{-131072, -10000, -393216}, {0, 0, -131072}, -30000, 100},
    {{-393216, 0, 0}, {0, 0, 0}, 0, 200},
    {{-524288, -40000, 10000}, {-131072, 0, 0}, 1000, 200},
    {{0, -20000, 15000}, {0, 0, 0}, -10000, 20},
    {{-282144, -20000, 15000}, {0, 0, 0}, -8000, 20},
    {{-292144, -10000, -5000}, {0, 0, 0}, 38000, 10},
    {{-312144, -60000, -3000}, {0, 0, 0}, -38000, 20},
    {{-322144, -50000, -2000}, {0, 0, 0}, 40000, 10},
    {{-332144, -40000, -1000}, {0, 0, 0}, -40000, 10},
    {{-342144, -30000, 0}, {0, 0, 0}, 30000, 10},
    {{-352144, -20000, 0}, {0, 0, 0}, -20000, 10},
    {{-362144, -10000, 0}, {0, 0, 0}, 10000, 10},
    {{-655360, 0, 0}, {0, 0, 0}, 0, 200},
    {{0, 0, 0}, {0, 0, 0}, -50000, 15},
}};

// The second scene wanders inside the cube, cycling through these.
constexpr std::array<CameraTarget, scene2_target_count> scene2_path = {{
    {{0, 0, 12000}, {0, 0, 0}, 1000, 150},
    {{300, 45000, 5000}, {0, 0, 0}, -30000, 150},
    {{300, -35000, 45000}, {0, 0, 0}, 20000, 150},
}};

inline fix16& rot(int row, int col) {
    return camera.rot[3 * row + col];
}

// One frame of smoothed pursuit: the new speed is one part of the distance
// left per frame left to sixteen parts of the old speed.
void smoothed_step(fix16& value, fix16& speed, fix16 goal, int32_t frames) {
    const int32_t step = wrap_sub(goal, value) / frames;
    speed = low32((static_cast<int64_t>(step) + 16 * static_cast<int64_t>(speed)) / 17);
    value = wrap_add(value, speed);
}

// Scales column col of rot to unit length. A column that has collapsed to
// zero length has no direction to keep, so it is left as it is rather than
// divided by zero.
void normalise_column(int col) {
    const int32_t length = vector_length(rot(0, col), rot(1, col), rot(2, col));
    if (length == 0) return;
    for (int row = 0; row < 3; ++row)
        rot(row, col) = div_shift16(rot(row, col), length);
}

// Column 0 minus its projection on column 2; the dot product is summed in
// 64 bits and shifted once.
void orthogonalise_x_axis() {
    const int64_t sum =
        wrap_add64(wrap_add64(wide_mul(rot(1, 0), rot(1, 2)), wide_mul(rot(0, 0), rot(0, 2))),
                   wide_mul(rot(2, 0), rot(2, 2)));
    const int32_t dot = low32(sum >> 16);
    for (int row = 2; row >= 0; --row)
        rot(row, 0) = wrap_sub(rot(row, 0), mul_shift16(dot, rot(row, 2)));
}

// y = z cross x, each element one 64-bit difference shifted once.
void rebuild_y_axis() {
    rot(2, 1) =
        low32(wrap_sub64(wide_mul(rot(0, 2), rot(1, 0)), wide_mul(rot(1, 2), rot(0, 0))) >> 16);
    rot(1, 1) =
        low32(wrap_sub64(wide_mul(rot(2, 2), rot(0, 0)), wide_mul(rot(0, 2), rot(2, 0))) >> 16);
    rot(0, 1) =
        low32(wrap_sub64(wide_mul(rot(1, 2), rot(2, 0)), wide_mul(rot(2, 2), rot(1, 0))) >> 16);
}

// trans = rot applied to -pos, through the same product form as every
// vertex so that the eye lands on the view-space origin.
void update_translation() {
    FixVec eye;
    eye.x = wrap_neg(camera.pos[0]);
    eye.y = wrap_neg(camera.pos[1]);
    eye.z = wrap_neg(camera.pos[2]);
    eye.xy = mul_shift16(eye.x, eye.y);
    fix16 trans[3];
    FixMat_x_Vec(trans, &camera, &eye, 0);
    for (int i = 0; i < 3; ++i)
        camera.trans[i] = trans[i];
}

} // namespace

Camera camera = camera_start;
std::array<CameraTarget, scene1_target_count> targets_scene1 = scene1_path;
std::array<CameraTarget, scene2_target_count> targets_scene2 = scene2_path;

void camera_move() {
    const CameraTarget& goal = *camera.target;
    const int32_t frames = goal.frames;

    // The goal of the z axis points from the look-at point to the camera,
    // taken from the position before this frame's move. If the camera sits
    // on the look-at point there is no such direction; the axis then takes
    // itself as its goal, which lets its turning speed die away.
    fix16 axis_goal[3];
    fix16 to_look[3];
    for (int k = 0; k < 3; ++k)
        to_look[k] = wrap_sub(goal.look_at[k], camera.pos[k]);
    const int32_t distance = vector_length(to_look[0], to_look[1], to_look[2]);
    for (int k = 0; k < 3; ++k) {
        axis_goal[k] = distance == 0 ? rot(k, 2) : wrap_neg(div_shift16(to_look[k], distance));
    }

    if (frames > 0) {
        for (int k = 2; k >= 0; --k) {
            smoothed_step(camera.pos[k], camera.pos_speed[k], goal.pos[k], frames);
            smoothed_step(rot(k, 2), camera.axis_speed[k], axis_goal[k], frames);
        }
        smoothed_step(rot(1, 0), camera.roll_speed, goal.roll, frames);
    }

    // Banking acts on rot(1, 0) before this, so the x axis is what gives way
    // to the viewing axis.
    normalise_column(2);
    orthogonalise_x_axis();
    normalise_column(0);
    rebuild_y_axis();

    for (int i = 2; i >= 0; --i)
        camera.prod[i] = mul_shift16(rot(0, i), rot(1, i));
    update_translation();
}

void reset_camera_path() {
    camera = camera_start;
    targets_scene1 = scene1_path;
    targets_scene2 = scene2_path;
}
