// The two scene scripts without drawing: how long each lasts, which targets
// it visits in which order, and what it does to the camera's speeds.
#include "demo_fixture.h"

#include <utility>

namespace demo_test {
namespace {

using SceneScripts = DemoTest;

// Target index and its number of consecutive frames, in order.
using Legs = std::vector<std::pair<long, int>>;

void count_frame(Legs& legs, long target) {
    if (legs.empty() || legs.back().first != target) legs.push_back({target, 0});
    ++legs.back().second;
}

// Only the change to entry 14 clears the position speeds, in the same step
// that switches the target; the other speeds are never touched.
TEST_F(SceneScripts, FirstSceneVisitsEveryTargetOnceFor1615Frames) {
    camera.target = &targets_scene1[0];
    Legs legs;
    std::vector<long> cleared_on;
    int index = 0;
    bool going_on = true;
    while (going_on) {
        count_frame(legs, camera.target - targets_scene1.data());
        for (fix16* speed : {&camera.pos_speed[0], &camera.pos_speed[1], &camera.pos_speed[2],
                             &camera.axis_speed[0], &camera.roll_speed})
            *speed = 77;
        going_on = advance_scene1(index);
        if (camera.pos_speed[0] == 0 && camera.pos_speed[1] == 0 && camera.pos_speed[2] == 0)
            cleared_on.push_back(camera.target - targets_scene1.data());
        EXPECT_EQ(camera.axis_speed[0] + camera.roll_speed, 2 * 77);
    }

    const int lengths[24] = {50,  50, 50, 100, 100, 90, 70, 100, 70, 100, 100, 200,
                             200, 20, 20, 10,  20,  10, 10, 10,  10, 10,  200, 15};
    Legs expected;
    for (int i = 0; i < 24; ++i)
        expected.push_back({i, lengths[i]});
    EXPECT_EQ(legs, expected); // 1615 frames in all
    EXPECT_EQ(cleared_on, std::vector<long>{14});
    EXPECT_EQ(camera.target, &targets_scene1[23]) << "the scene ends on its last entry";
    for (const CameraTarget& target : targets_scene1)
        EXPECT_EQ(target.frames, 0);
}

TEST_F(SceneScripts, SecondSceneCyclesSevenLegsOf150Frames) {
    // Whatever the table holds, every leg after the first is re-armed.
    targets_scene2[1].frames = 3;
    targets_scene2[2].frames = 1000;
    camera.target = &targets_scene2[0];
    Legs legs;
    int index = 0;
    do {
        count_frame(legs, camera.target - targets_scene2.data());
    } while (advance_scene2(index));

    const Legs expected = {{0, 150}, {1, 150}, {2, 150}, {0, 150}, {1, 150}, {2, 150}, {0, 150}};
    EXPECT_EQ(legs, expected);
    EXPECT_EQ(run, -1);
    // The seventh change has already re-armed entry 1.
    EXPECT_EQ(camera.target, &targets_scene2[1]);
    EXPECT_EQ(targets_scene2[1].frames, 150);
}

TEST_F(SceneScripts, ChangeOfSceneCutsSpeedsTruncatingTowardsZero) {
    struct Case {
        fix16 before[3];
        fix16 after[3];
    };
    const Case cases[] = {
        {{-15, -3, -3}, {-1, -1, -1}},
        {{15, 3, 3}, {1, 1, 1}},
        {{-16, 5, -4}, {-2, 2, -2}},
        {{7, 1, -1}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        demo_reset_state();
        camera.rot[1] = 1234;
        camera.axis_speed[2] = 55;
        camera.pos[1] = 4444;
        camera.pos[2] = 5555;
        for (int k = 0; k < 3; ++k)
            camera.pos_speed[k] = c.before[k];
        adjust_camera_for_scene2();
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(camera.pos_speed[k], c.after[k]) << c.before[k];
        EXPECT_EQ(camera.pos[0], -50000);
        EXPECT_EQ(camera.pos[1], 4444);
        EXPECT_EQ(camera.pos[2], 5555);
        EXPECT_EQ(camera.rot[1], 1234);
        EXPECT_EQ(camera.axis_speed[2], 55);
        EXPECT_EQ(camera.target, &targets_scene2[0]);
    }
}

} // namespace
} // namespace demo_test
