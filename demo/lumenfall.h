// The demo's shared statics and functions: camera and path tables, cube
// geometry, frame cycle, textures and the two scenes. The program is one
// straight script; this header exists so that its pieces can be tested one
// by one.
#pragma once

#include "fatal_assert.h"
#include "fixmath.h"
#include "gpu.h"

#include <array>
#include <cstdint>

// Every fatal check of the demo reports the source unit "lumenfall".
#define DEMO_ASSERT(cond, expression, line, function)                                              \
    FATAL_ASSERT(cond, expression, "lumenfall", line, function)

// --- Camera path -------------------------------------------------------------

// One leg of a camera path: where to fly, what to look at, how far to bank
// (goal for rot(1, 0)) and how many frames are left on the leg.
struct CameraTarget {
    fix16 pos[3];
    fix16 look_at[3];
    fix16 roll;
    int32_t frames;
};

// The camera begins with its view matrix, so it passes wherever a FixMat is
// expected. The columns of rot are the camera's axes in world coordinates.
struct Camera : FixMat {
    fix16 pos[3];
    CameraTarget* target;
    fix16 pos_speed[3];
    fix16 axis_speed[3];
    fix16 roll_speed;
};

inline constexpr int scene1_target_count = 24;
inline constexpr int scene2_target_count = 3;

extern Camera camera;
extern std::array<CameraTarget, scene1_target_count> targets_scene1;
extern std::array<CameraTarget, scene2_target_count> targets_scene2;

// Steps the camera one frame towards its current target and rebuilds the
// orthonormal basis, the product terms and the view translation.
void camera_move();

// --- Cube --------------------------------------------------------------------

inline constexpr int cube_face_count = 6;
inline constexpr int cube_corner_count = 8;

// The axis a face is normal to (0 = x, 1 = y, 2 = z) and its inward normal.
struct CubeNormal {
    int32_t axis;
    FixVec normal;
};

extern const FixVec cube_vec[cube_corner_count];
extern const int32_t cube_facet[cube_face_count][4];
extern const CubeNormal cube_normal[cube_face_count];
extern const fix16 uvs[cube_face_count][4][2];
extern gpuBuf* facet_text[cube_face_count];
extern uint32_t facet_rendering[cube_face_count];
extern fix16 c3d[cube_corner_count][3];

// Transforms the eight corners into view space, c3d[v] for v = 7 down to 0.
void transform_cube();

// Sends face f as a textured facet if it is turned towards the eye (front
// set, low 8 bits tested) or away from it (front clear).
void draw_facet(uint32_t f, int front, fix16 shade_bias);

// --- Frame cycle ---------------------------------------------------------------

extern gpuBuf* outBuf;

void next_out_buf();
void clear_screen();
void show_out_buf();
void set_dproj(int32_t value);

// --- Textures ------------------------------------------------------------------

// Bytes of the capture's staging image: 512 x 512 texels of R, G, B.
inline constexpr uint32_t menu_staging_bytes = 512 * 512 * 3;
// Bytes of the frame buffer the capture reads: 240 rows of 320 16-bit pixels.
inline constexpr uint32_t menu_screen_bytes = 320 * 240 * 2;

// Spreads a 320 x 240 RGB 5:6:5 screen over the 512 x 512 staging image,
// centred, its border pixels stretched out to the edges.
void fill_menu_staging(const uint16_t* screen, uint8_t* staging);

// Captures the current screen into a new 512 x 512 texture; the caller owns it.
gpuBuf* grab_menu_texture();

inline constexpr int ink_drop_size = 128;
inline constexpr int ink_map_size = 256;
inline constexpr uint32_t ink_map_bytes = ink_map_size * ink_map_size;

// The animation phases of the ink texture (angles), 0 at program start.
struct InkPhases {
    int32_t a1, a2, a3, a4, a5;
};

// The window starts and threshold shift of one frame of the ink texture.
struct InkOffsets {
    int32_t m, o, t, u, w;
};

extern uint8_t ink_drop[ink_drop_size * ink_drop_size];
extern InkPhases ink_phases;

void make_ink_drop();
// Adds one drop with its top-left entry at (column, row), wrapping.
void add_ink_drop(uint8_t* ink_map, int row, int column);
void make_ink_map(uint8_t* ink_map);
// Evaluates the five phases and then advances them by their steps.
InkOffsets next_ink_offsets();
void draw_ink_texture(const uint8_t* ink_map, gpuBuf* texture);

// --- Spinning picture ------------------------------------------------------------

extern const FixVec vec[4];
extern FixVec pic_vec[4];

// The picture's rotation for the two spin phases; trans is zero.
FixMat spin_matrix(int32_t first_phase, int32_t second_phase);
void rotate_pic(int32_t first_phase, int32_t second_phase);
void transf_draw_pic(gpuBuf* txt, const FixVec* corners, int32_t cast);

// --- Scenes --------------------------------------------------------------------

extern int32_t run;

// Decodes a packed picture into a new texture: uncomp in the demo; the frame
// benchmark passes one that also counts each decoding's instructions.
using PictureDecoder = gpuBuf* (*)(const uint8_t* picture, uint32_t width, uint32_t colour_a,
                                   uint32_t colour_b);

// Points the camera at the first target and prepares the four face textures:
// the captured menu screen and three decoded pictures.
void prepare_scene1();
// The same with a given texture for the menu face and a given decoder.
void prepare_scene1(gpuBuf* menu_texture, PictureDecoder decode);
// One frame of the first scene, then its script step; false after the last.
// index is the current target's, 0 at the start of the scene.
bool scene1_frame(int& index);
// Plays every frame of the first scene.
void scene1();
// Counts the current leg down after a frame; false once the scene is over.
bool advance_scene1(int& index);

// What the second scene carries from one frame to the next.
struct Scene2State {
    uint8_t* ink_map;
    gpuBuf* picture;
    int index;
    int32_t first_spin;
    int32_t second_spin;
};

// The camera changes at the change of scene: speeds cut, moved aside,
// pointed at the second path.
void adjust_camera_for_scene2();
// The change of scene: textures given up, ink map built, camera adjusted,
// picture decoded, view set.
Scene2State begin_scene2(PictureDecoder decode);
// One frame of the second scene, then its script step; false after the last.
bool scene2_frame(Scene2State& state);
// Gives back what begin_scene2 took.
void end_scene2(Scene2State& state);
// The change of scene, every frame of the second scene, and the release.
void scene2();
bool advance_scene2(int& index);

// The whole script, both scenes, as main plays it after gpuOpen.
void run_script();

// --- For tests -------------------------------------------------------------------

// Returns every mutable static of the demo to its program-start value.
void demo_reset_state();

void reset_camera_path();
void reset_cube();
void reset_frame_cycle();
void reset_ink_texture();
void reset_spin_picture();
void reset_picture_facets();
void reset_scene2();
