// The whole script as main plays it, and the return to the program-start
// state that lets tests play it more than once in one process.
#include "lumenfall.h"

void run_script() {
    prepare_scene1();
    scene1();
    scene2();
}

void demo_reset_state() {
    reset_camera_path();
    reset_cube();
    reset_frame_cycle();
    reset_ink_texture();
    reset_spin_picture();
    reset_picture_facets();
    reset_scene2();
}
