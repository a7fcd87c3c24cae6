// spin-cube: a textured cube spins in front of the camera for three seconds.
// It opens the link to the renderer, loads one RGB picture into video memory,
// then for every frame takes an output buffer, clears it, sends the faces
// that look towards the camera and shows it. All geometry is 16.16 fixed point.
#include "fixmath.h"
#include "gpu.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr fix16 one = 0x10000;
constexpr int frame_total = 180; // three seconds at the display's 60 frames a second
constexpr uint32_t picture_log2 = 6; // a 64 x 64 picture
constexpr uint32_t picture_side = 1u << picture_log2;
constexpr uint32_t black = 0x80108010;
constexpr fix16 distance = 6 * one; // from the eye to the cube's centre

// Corners of a cube of edge 2 round the origin, and its faces, each a ring of
// four corners. The renderer draws either winding; the facing test below
// decides which faces are sent.
const fix16 corners[8][3] = {
    {-one, -one, -one}, {one, -one, -one}, {one, one, -one}, {-one, one, -one},
    {-one, -one, one},  {one, -one, one},  {one, one, one},  {-one, one, one},
};
const int faces[6][4] = {
    {0, 1, 2, 3}, {5, 4, 7, 6}, {4, 0, 3, 7}, {1, 5, 6, 2}, {4, 5, 1, 0}, {3, 2, 6, 7},
};
const fix16 face_uv[4][2] = {{0, 0}, {64 * one, 0}, {64 * one, 64 * one}, {0, 64 * one}};

uint8_t picture[picture_side * picture_side * 3];

// A facet travels as five pieces: the header and its four vertices.
cmdFacet header = {gpu_op_facet, 4, 0, 0, 0};
cmdVertex vertices[4];
const gpuPiece facet[5] = {
    {&header, sizeof header},       {&vertices[0], sizeof(cmdVertex)},
    {&vertices[1], sizeof(cmdVertex)}, {&vertices[2], sizeof(cmdVertex)},
    {&vertices[3], sizeof(cmdVertex)},
};

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "spin-cube: %s failed\n", what);
    std::exit(1);
}

fix16 mul(fix16 a, fix16 b) {
    return static_cast<fix16>((static_cast<int64_t>(a) * b) >> 16);
}

// An orange and blue checkerboard, shaded from top to bottom.
void make_picture() {
    for (uint32_t y = 0; y < picture_side; ++y)
        for (uint32_t x = 0; x < picture_side; ++x) {
            uint8_t* texel = &picture[(y * picture_side + x) * 3];
            const bool light = ((x / 8) ^ (y / 8)) & 1;
            const uint8_t fade = static_cast<uint8_t>(255 - y * 2);
            texel[0] = light ? fade : 20;
            texel[1] = light ? static_cast<uint8_t>(fade / 2) : 60;
            texel[2] = light ? 0 : fade;
        }
}

// The cube's rotation for a frame: a turn about y every 256 frames, tilted
// about x; then moved away from the eye along -z.
void place_cube(FixMat* m, int frame) {
    const fix16 cy = Fix_cos(frame * 256), sy = -Fix_sin(frame * 256);
    const fix16 cx = Fix_cos(frame * 96), sx = -Fix_sin(frame * 96);
    // FixMat_x_Vec takes column k of rot as output component k, so the rotation
    // Rx . Ry is stored transposed.
    const fix16 r[3][3] = {{cy, 0, sy}, {mul(sx, sy), cx, -mul(sx, cy)}, {-mul(cx, sy), sx, mul(cx, cy)}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m->rot[3 * col + row] = r[row][col];
    for (int k = 0; k < 3; ++k) m->prod[k] = mul(m->rot[k], m->rot[3 + k]);
    m->trans[0] = 0;
    m->trans[1] = 0;
    m->trans[2] = -distance;
}

void send_facet(const fix16 (*points)[3], const int* ring, uint32_t type, uint32_t color) {
    header.rendering_type = type;
    header.color = color;
    for (int i = 0; i < 4; ++i) {
        const fix16* p = points[ring[i]];
        // Nearer corners are lit brighter: about +-100 shade units round the centre.
        vertices[i] = {p[0], p[1], p[2], face_uv[i][0], face_uv[i][1], (p[2] + distance) * 64};
    }
    require(gpuWritev(facet, 5, true) == gpuOK, "sending a facet");
}

// A face looks towards the eye when its outward direction (the sum of its
// corners, taken from the cube's centre) points back at the eye.
bool faces_eye(const fix16 (*view)[3], const int* ring) {
    int64_t dot = 0;
    for (int axis = 0; axis < 3; ++axis) {
        int64_t outward = 0;
        for (int i = 0; i < 4; ++i) outward += view[ring[i]][axis] - (axis == 2 ? -distance : 0);
        dot += outward * view[ring[0]][axis];
    }
    return dot < 0;
}

} // namespace

int main() {
    Fix_trig_init();
    make_picture();
    if (gpuOpen() != gpuOK) {
        std::fprintf(stderr, "spin-cube: cannot map the renderer's shared area\n");
        return 1;
    }
    gpuBuf* texture = gpuAlloc(picture_log2, picture_side, true);
    require(texture != nullptr, "allocating the texture");
    require(gpuLoadImg(gpuBuf_get_loc(texture), picture) == gpuOK, "loading the picture");

    // The whole screen at the eye, drawn first in black: facets cover each
    // other in the order they are sent.
    const fix16 clear[4][3] = {{-10 * one, -10 * one, -257}, {10 * one, -10 * one, -257},
                               {10 * one, 10 * one, -257}, {-10 * one, 10 * one, -257}};
    const int clear_ring[4] = {0, 1, 2, 3};

    for (int frame = 0; frame < frame_total; ++frame) {
        FixMat m;
        place_cube(&m, frame);
        fix16 view[8][3];
        for (int c = 0; c < 8; ++c) {
            const FixVec v = {corners[c][0], corners[c][1], corners[c][2], mul(corners[c][0], corners[c][1])};
            FixMat_x_Vec(view[c], &m, &v, 1);
        }
        // Waits while every buffer is still on display or queued for it.
        gpuBuf* out = gpuAlloc(9, 250, true);
        require(gpuSetOutBuf(out, true) == gpuOK, "selecting the output buffer");
        send_facet(clear, clear_ring, 0, black);
        require(gpuSetTxtBuf(texture, true) == gpuOK, "selecting the texture");
        for (const int* ring : faces)
            if (faces_eye(view, ring)) send_facet(view, ring, 3, 0);
        // The buffer is the manager's from here: it comes back once displayed.
        require(gpuShowBuf(out, true) == gpuOK, "showing the frame");
    }
    if (const int error = gpuReadErr(); error != 0)
        std::fprintf(stderr, "spin-cube: the renderer reported error %d\n", error);
    // The last frames may still be queued; the texture is released once the
    // frame after them is on display, should the program go on.
    gpuFreeFC(texture, 1);
    gpuClose();
    return 0;
}
