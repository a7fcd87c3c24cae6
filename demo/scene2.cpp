// The second scene: the cube seen from inside, its walls wearing a fresh
// ink texture every frame, with a rocking picture in front of the viewer,
// drawn cast onto the walls and as itself.
#include "lumenfall.h"
#include "packed_picture.h"

#include <cstdlib>

namespace {

constexpr int inner_faces = 0;
constexpr fix16 inside_shade_bias = 0x20000;
constexpr int32_t leg_frames = 150;
constexpr int32_t scene2_dproj = 7;
constexpr fix16 scene2_start_x = -50000;
constexpr int32_t first_spin_start = 2000;
constexpr int32_t first_spin_step = 103;
constexpr int32_t second_spin_step = 207;
// Target changes after which the scene still goes on.
constexpr int32_t run_start = 6;

} // namespace

int32_t run = run_start;

// Rotation and the other speeds carry over from the first scene.
void adjust_camera_for_scene2() {
    camera.pos_speed[0] /= 8;
    camera.pos_speed[1] /= 2;
    camera.pos_speed[2] /= 2;
    camera.pos[0] = scene2_start_x;
    camera.target = &targets_scene2[0];
}

// Every change re-arms the leg it switches to, so each leg lasts 150
// frames whatever the table held before.
bool advance_scene2(int& index) {
    if (--camera.target->frames != 0) return true;
    if (++index >= scene2_target_count) index = 0;
    targets_scene2[index].frames = leg_frames;
    camera.target = &targets_scene2[index];
    return run-- != 0;
}

Scene2State begin_scene2(PictureDecoder decode) {
    // The first scene's textures may still be read by frames already queued,
    // so they go back only once the display has moved on.
    gpuFreeFC(facet_text[4], 1);
    gpuFreeFC(facet_text[0], 1);
    gpuFreeFC(facet_text[5], 1);
    gpuFreeFC(facet_text[2], 1);
    facet_rendering[4] = 3;

    auto* ink_map = static_cast<uint8_t*>(std::malloc(ink_map_bytes));
    DEMO_ASSERT(ink_map, "ink_map", 867, "scene2");
    make_ink_drop();
    make_ink_map(ink_map);

    adjust_camera_for_scene2();
    gpuBuf* picture = decode(pic4, 18, 0x6e29f029, 0x97368d36);
    set_dproj(scene2_dproj);
    return Scene2State{ink_map, picture, 0, first_spin_start, 0};
}

bool scene2_frame(Scene2State& state) {
    // Handed to the deferred release before it is written: only this frame
    // uses it, and it comes back once the next frame is on display.
    gpuBuf* texture = gpuAlloc(8, 256, true);
    gpuFreeFC(texture, 1);
    for (gpuBuf*& text : facet_text)
        text = texture;
    draw_ink_texture(state.ink_map, texture);

    camera_move();
    next_out_buf();
    transform_cube();
    for (int face = cube_face_count - 1; face >= 0; --face)
        draw_facet(face, inner_faces, inside_shade_bias);
    rotate_pic(state.first_spin, state.second_spin);
    transf_draw_pic(state.picture, pic_vec, 1);
    transf_draw_pic(state.picture, pic_vec, 0);
    show_out_buf();

    state.first_spin += first_spin_step;
    state.second_spin += second_spin_step;
    return advance_scene2(state.index);
}

void end_scene2(Scene2State& state) {
    gpuFreeFC(state.picture, 1);
    std::free(state.ink_map);
    state.picture = nullptr;
    state.ink_map = nullptr;
}

void scene2() {
    Scene2State state = begin_scene2(uncomp);
    while (scene2_frame(state)) {
    }
    end_scene2(state);
}

void reset_scene2() {
    run = run_start;
}
