#include "frame_mirror.h"

#include "packed_picture.h"

#include <cstdlib>

namespace bench {

namespace {

// The constants of scene1.cpp and scene2.cpp.
constexpr int scene1_front_faces = 1;
constexpr fix16 outside_shade_bias = 0x40000;
constexpr int menu_face = 4;
constexpr uint32_t menu_rendering = 2;
constexpr int scene2_inner_faces = 0;
constexpr fix16 inside_shade_bias = 0x20000;
constexpr int32_t scene2_dproj = 7;
constexpr int32_t first_spin_step = 103;
constexpr int32_t second_spin_step = 207;

} // namespace

void prepare_scene1_without_capture(PictureDecoder decode) {
    camera.target = &targets_scene1[0];
    gpuBuf* menu_texture = gpuAlloc(9, 512, false);
    facet_rendering[menu_face] = menu_rendering;
    facet_text[menu_face] = menu_texture;
    facet_text[0] = decode("uncomp pic1", pic1, 24, 0x81a977a9, 0x67899d89);
    facet_text[5] = decode("uncomp pic2", pic2, 10, 0x955cb75c, 0x36909990);
    facet_text[2] = decode("uncomp pic3", pic3, 10, 0x7fad89ad, 0xae7db37d);
}

bool Scene1Frames::frame() {
    camera_move();
    next_out_buf();
    clear_screen();
    transform_cube();
    for (int face = cube_face_count - 1; face >= 0; --face)
        draw_facet(face, scene1_front_faces, outside_shade_bias);
    show_out_buf();
    return advance_scene1(index_);
}

Scene2Frames::Scene2Frames(PictureDecoder decode) {
    gpuFreeFC(facet_text[4], 1);
    gpuFreeFC(facet_text[0], 1);
    gpuFreeFC(facet_text[5], 1);
    gpuFreeFC(facet_text[2], 1);
    facet_rendering[4] = 3;
    ink_map_ = static_cast<uint8_t*>(std::malloc(ink_map_bytes));
    if (ink_map_ == nullptr) std::abort();
    make_ink_drop();
    make_ink_map(ink_map_);
    adjust_camera_for_scene2();
    picture_ = decode("uncomp pic4", pic4, 18, 0x6e29f029, 0x97368d36);
    set_dproj(scene2_dproj);
}

Scene2Frames::~Scene2Frames() {
    gpuFreeFC(picture_, 1);
    std::free(ink_map_);
}

bool Scene2Frames::frame() {
    gpuBuf* texture = gpuAlloc(8, 256, true);
    gpuFreeFC(texture, 1);
    for (gpuBuf*& text : facet_text)
        text = texture;
    draw_ink_texture(ink_map_, texture);

    camera_move();
    next_out_buf();
    transform_cube();
    for (int face = cube_face_count - 1; face >= 0; --face)
        draw_facet(face, scene2_inner_faces, inside_shade_bias);
    rotate_pic(first_spin_, second_spin_);
    transf_draw_pic(picture_, pic_vec, 1);
    transf_draw_pic(picture_, pic_vec, 0);
    show_out_buf();

    first_spin_ += first_spin_step;
    second_spin_ += second_spin_step;
    return advance_scene2(index_);
}

} // namespace bench
