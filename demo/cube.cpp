// The cube of edge 4.0 round the origin: its geometry tables, the per-face
// textures and rendering types, and the drawing of one face.
#include "demo_arith.h"
#include "lumenfall.h"

#include <cstring>

using namespace arith;

namespace {

constexpr fix16 one = 0x10000;
constexpr fix16 two = 0x20000;
constexpr fix16 four = 0x40000;
constexpr fix16 t256 = 0x1000000;
constexpr fix16 t512 = 0x2000000;
constexpr uint32_t textured = 3;

// Header of every cube face; rendering_type is patched before each send.
cmdFacet cube_cmdFacet = {gpu_op_facet, 4, 0x00F08080, 0, textured};
cmdVertex cmdVec[4];
const gpuPiece cmdvec[5] = {
    {&cube_cmdFacet, sizeof(cmdFacet)}, {&cmdVec[0], sizeof(cmdVertex)},
    {&cmdVec[1], sizeof(cmdVertex)},    {&cmdVec[2], sizeof(cmdVertex)},
    {&cmdVec[3], sizeof(cmdVertex)},
};

} // namespace

const FixVec cube_vec[cube_corner_count] = {
    {two, -two, two, -four},  {two, two, two, four},    {-two, two, two, -four},
    {-two, -two, two, four},  {two, -two, -two, -four}, {two, two, -two, four},
    {-two, two, -two, -four}, {-two, -two, -two, four},
};

// Corners counter-clockwise as seen from outside: the cross product of the
// first two edges points out of the cube.
const int32_t cube_facet[cube_face_count][4] = {
    {0, 4, 5, 1}, {5, 6, 2, 1}, {7, 3, 2, 6}, {7, 4, 0, 3}, {3, 0, 1, 2}, {4, 7, 6, 5},
};

const CubeNormal cube_normal[cube_face_count] = {
    {0, {-one, 0, 0, 0}}, {1, {0, -one, 0, 0}}, {0, {one, 0, 0, 0}},
    {1, {0, one, 0, 0}},  {2, {0, 0, -one, 0}}, {2, {0, 0, one, 0}},
};

// Face 4 shows the 512 x 512 screen capture, the others 256 x 256 textures.
const fix16 uvs[cube_face_count][4][2] = {
    {{0, 0}, {t256, 0}, {t256, t256}, {0, t256}}, {{0, 0}, {t256, 0}, {t256, t256}, {0, t256}},
    {{0, 0}, {t256, 0}, {t256, t256}, {0, t256}}, {{0, 0}, {t256, 0}, {t256, t256}, {0, t256}},
    {{0, 0}, {t512, 0}, {t512, t512}, {0, t512}}, {{0, 0}, {t256, 0}, {t256, t256}, {0, t256}},
};

gpuBuf* facet_text[cube_face_count];
uint32_t facet_rendering[cube_face_count] = {textured, textured, textured,
                                             textured, textured, textured};
fix16 c3d[cube_corner_count][3];

void transform_cube() {
    for (int v = cube_corner_count - 1; v >= 0; --v)
        FixMat_x_Vec(c3d[v], &camera, &cube_vec[v], 1);
}

void draw_facet(uint32_t f, int front, fix16 shade_bias) {
    DEMO_ASSERT(f < (sizeof(cube_facet) / sizeof(*cube_facet)),
                "f < (sizeof(cube_facet)/sizeof(*cube_facet))", 313, "draw_facet");

    // Corner minus trans is the rotated model corner, and the cube is centred
    // on the origin, so the sum of the four is the face's outward direction.
    fix16 n[3] = {0, 0, 0};
    for (int k = 3; k >= 0; --k) {
        const fix16* corner = c3d[cube_facet[f][k]];
        cmdVec[k].x = corner[0];
        cmdVec[k].y = corner[1];
        cmdVec[k].z = corner[2];
        for (int i = 0; i < 3; ++i)
            n[i] = wrap_add(n[i], wrap_sub(corner[i], camera.trans[i]));
        cmdVec[k].u = uvs[f][k][0];
        cmdVec[k].v = uvs[f][k][1];
        cmdVec[k].shade = shift_left32(wrap_add(corner[2], shade_bias), 6);
    }
    Fix_normalize(n);

    // The first corner is also the vector from the eye to the face.
    const fix16* p = c3d[cube_facet[f][0]];
    const int64_t d =
        wrap_add64(wrap_add64(wide_mul(n[1], p[1]), wide_mul(n[0], p[0])), wide_mul(n[2], p[2]));
    const int64_t facing = d >> 16;
    if ((front & 0xff) != 0) {
        if (facing > 0) return;
    } else {
        if (facing < 0) return;
    }

    DEMO_ASSERT(gpuSetTxtBuf(facet_text[f], true) == gpuOK, "0", 331, "draw_facet");
    cube_cmdFacet.rendering_type = facet_rendering[f];
    const gpuResult err = gpuWritev(cmdvec, 5, true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", 342, "draw_facet");
}

void reset_cube() {
    for (int f = 0; f < cube_face_count; ++f) {
        facet_text[f] = nullptr;
        facet_rendering[f] = textured;
    }
    std::memset(c3d, 0, sizeof(c3d));
    std::memset(cmdVec, 0, sizeof(cmdVec));
    cube_cmdFacet.rendering_type = textured;
}
