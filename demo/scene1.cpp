// The first scene: the cube seen from outside, its faces showing the
// captured menu screen and three decoded pictures, while the camera flies
// once through the 24 targets of its path.
#include "lumenfall.h"
#include "packed_picture.h"

namespace {

constexpr int front_faces = 1;
constexpr fix16 outside_shade_bias = 0x40000;
// The leg that starts without speed: the camera has just swung round the
// cube's far side and must not carry that swing into the fly-by.
constexpr int standstill_leg = 14;
// The face that shows the screen capture, drawn with its own rendering type.
constexpr int menu_face = 4;
constexpr uint32_t menu_rendering = 2;

} // namespace

void prepare_scene1(gpuBuf* menu_texture, PictureDecoder decode) {
    camera.target = &targets_scene1[0];
    facet_rendering[menu_face] = menu_rendering;
    facet_text[menu_face] = menu_texture;
    facet_text[0] = decode(pic1, 24, 0x81a977a9, 0x67899d89);
    facet_text[5] = decode(pic2, 10, 0x955cb75c, 0x36909990);
    facet_text[2] = decode(pic3, 10, 0x7fad89ad, 0xae7db37d);
}

void prepare_scene1() {
    prepare_scene1(grab_menu_texture(), uncomp);
}

bool advance_scene1(int& index) {
    if (--camera.target->frames != 0) return true;
    if (++index >= scene1_target_count) return false;
    camera.target = &targets_scene1[index];
    if (index == standstill_leg) {
        for (fix16& speed : camera.pos_speed)
            speed = 0;
    }
    return true;
}

// The camera stays strictly between the planes y = -2.0 and y = 2.0, so the
// top and bottom faces, which have no texture here, always face away.
bool scene1_frame(int& index) {
    camera_move();
    next_out_buf();
    clear_screen();
    transform_cube();
    for (int face = cube_face_count - 1; face >= 0; --face)
        draw_facet(face, front_faces, outside_shade_bias);
    show_out_buf();
    return advance_scene1(index);
}

void scene1() {
    int index = 0;
    while (scene1_frame(index)) {
    }
}
