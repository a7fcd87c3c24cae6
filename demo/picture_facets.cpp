// The rocking picture drawn as itself and cast onto the cube's inner walls
// by a central projection from a point behind the eye, each cast image
// clipped to its wall by the planes of the five other walls.
#include "demo_arith.h"
#include "lumenfall.h"

#include <cstring>

using namespace arith;

namespace {

constexpr uint32_t picture_colour = 0x6E29F029;
constexpr int32_t picture_param = -30;
constexpr uint32_t plain_picture = 4;
constexpr uint32_t cast_picture = 6;
constexpr fix16 t255 = 0xff0000;

cmdFacet pic_facet = {gpu_op_facet, 4, picture_colour, picture_param, plain_picture};
// Only x, y and z change; the texture coordinates span the 255 drawn
// columns of the picture.
cmdVertex vecs[4] = {
    {0, 0, 0, 0, 0, 0},
    {0, 0, 0, t255, 0, 0},
    {0, 0, 0, t255, t255, 0},
    {0, 0, 0, 0, t255, 0},
};
const gpuPiece cmdvec[5] = {
    {&pic_facet, sizeof(cmdFacet)}, {&vecs[0], sizeof(cmdVertex)}, {&vecs[1], sizeof(cmdVertex)},
    {&vecs[2], sizeof(cmdVertex)},  {&vecs[3], sizeof(cmdVertex)},
};
gpuCmdSetClipPlanes setCpCmd = {gpu_op_set_clip_planes, 0, {}};

void set_vertex_position(cmdVertex& vertex, const fix16* position) {
    vertex.x = position[0];
    vertex.y = position[1];
    vertex.z = position[2];
}

void send_picture_facet(unsigned line) {
    const gpuResult err = gpuWritev(cmdvec, 5, true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", line, "transf_draw_pic");
}

void send_clip_planes(unsigned line) {
    const gpuResult err = gpuWrite(&setCpCmd, sizeof(setCpCmd), true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", line, "transf_draw_pic");
}

// The five walls other than `wall`, in increasing order, each as a point
// on it and its inward normal, both in view space.
void fill_clip_planes(int wall) {
    int slot = 0;
    for (int j = 0; j < cube_face_count; ++j) {
        if (j == wall) continue;
        gpuClipPlane& plane = setCpCmd.planes[slot++];
        FixMat_x_Vec(plane.point, &camera, &cube_vec[cube_facet[j][0]], 1);
        FixMat_x_Vec(plane.normal, &camera, &cube_normal[j].normal, 0);
    }
}

fix16 component(const FixVec& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// w_n + (e_n - w_n) x (p_d - w_d) / (e_d - w_d): the first difference in 64
// bits, the second and the denominator in wrapping 32 bits, the quotient
// truncated towards zero. |numerator| < (2^32) x (2^31), so nothing
// overflows; the caller has checked the denominator is non-zero.
int32_t along_ray(int32_t w_n, int32_t e_n, int32_t p_d, int32_t w_d, int32_t e_d) {
    const int64_t numerator =
        (static_cast<int64_t>(e_n) - static_cast<int64_t>(w_n)) * wrap_sub(p_d, w_d);
    return low32(static_cast<int64_t>(w_n) + numerator / wrap_sub(e_d, w_d));
}

// Projects the four world corners from the centre onto the plane of
// `wall`, writing the view-space results into vecs. False when some ray
// does not run towards the wall, or runs parallel to its second axis.
bool project_onto_wall(int wall, const fix16 centre[3], const fix16 world[4][3]) {
    const int a = cube_normal[wall].axis;
    const fix16 m = component(cube_normal[wall].normal, a);
    const fix16 h = component(cube_vec[cube_facet[wall][0]], a);
    const int b = (a + 1) % 3;
    const int e = (b + 1) % 3;
    for (int k = 0; k < 4; ++k) {
        const fix16* w = world[k];
        const int32_t towards = wrap_sub(w[a], centre[a]);
        if (w[a] == centre[a] || m == 0 || (m < 0) == (towards < 0)) return false;
        fix16 p[3];
        p[a] = h;
        p[b] = along_ray(w[b], centre[b], p[a], w[a], centre[a]);
        // The third coordinate is derived through the second, not through a.
        if (centre[b] == w[b]) return false;
        p[e] = along_ray(w[e], centre[e], p[b], w[b], centre[b]);

        FixVec projected = {p[0], p[1], p[2], mul_shift16(p[0], p[1])};
        fix16 view[3];
        FixMat_x_Vec(view, &camera, &projected, 1);
        set_vertex_position(vecs[k], view);
    }
    return true;
}

void draw_cast_images(const FixVec* corners) {
    pic_facet.rendering_type = cast_picture;
    // The view-space point (0, 1.0, 1.0): above and behind the eye.
    fix16 centre[3];
    for (int r = 0; r < 3; ++r) {
        centre[r] = wrap_add(wrap_add(camera.pos[r], camera.rot[3 * r + 1]), camera.rot[3 * r + 2]);
    }
    fix16 world[4][3];
    for (int k = 3; k >= 0; --k) {
        const fix16 view[3] = {corners[k].x, corners[k].y, corners[k].z};
        FixMatT_x_Vec(world[k], &camera, view, 1);
    }

    setCpCmd.plane_count = 5;
    for (int wall = 0; wall < cube_face_count; ++wall) {
        fill_clip_planes(wall);
        if (!project_onto_wall(wall, centre, world)) continue;
        send_clip_planes(854);
        send_picture_facet(856);
    }
    // Clipping ends with the pass, so that nothing drawn later is clipped.
    setCpCmd.plane_count = 0;
    send_clip_planes(861);
}

} // namespace

void transf_draw_pic(gpuBuf* txt, const FixVec* corners, int32_t cast) {
    pic_facet.color = picture_colour;
    DEMO_ASSERT(gpuSetTxtBuf(txt, true) == gpuOK, "0", 797, "transf_draw_pic");
    if (cast != 0) {
        draw_cast_images(corners);
        return;
    }
    pic_facet.rendering_type = plain_picture;
    for (int k = 3; k >= 0; --k) {
        const fix16 position[3] = {corners[k].x, corners[k].y, corners[k].z};
        set_vertex_position(vecs[k], position);
    }
    send_picture_facet(807);
}

void reset_picture_facets() {
    std::memset(&setCpCmd, 0, sizeof(setCpCmd));
    setCpCmd.opcode = gpu_op_set_clip_planes;
    for (cmdVertex& vertex : vecs)
        vertex.x = vertex.y = vertex.z = 0;
    pic_facet.color = picture_colour;
    pic_facet.rendering_type = plain_picture;
}
