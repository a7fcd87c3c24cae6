// Whole scenes compared with reference pictures in golden/.
//
// Run with LUMENFALL_REGENERATE_GOLDEN=1 to rewrite the references after a
// deliberate change of the renderer's output; look at them before committing.
#include "test_area.h"

#include "pixel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace renderer::test {
namespace {

using Vec = std::array<double, 3>;

Vec sub(Vec a, Vec b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(Vec a, Vec b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec cross(Vec a, Vec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec unit(Vec a) {
    const double n = std::sqrt(dot(a, a));
    return {a[0] / n, a[1] / n, a[2] / n};
}

// A camera looking from eye towards target, screen y along world +y.
struct Camera {
    Vec eye, right, down, forward;
    Camera(Vec from, Vec target) : eye(from) {
        forward = unit(sub(target, from));
        const Vec world_down = {0, 1, 0};
        right = unit(cross(forward, world_down));
        down = cross(right, forward);
    }
    Vec view(Vec p) const {
        const Vec d = sub(p, eye);
        return {dot(d, right), dot(d, down), -dot(d, forward)};
    }
    Vec turn(Vec n) const { return {dot(n, right), dot(n, down), -dot(n, forward)}; }
};

// The cube of edge 4 about the origin: corners, faces (counter-clockwise
// from outside) and outward normals.
const Vec cube[8] = {{2, -2, 2},  {2, 2, 2},  {-2, 2, 2},  {-2, -2, 2},
                     {2, -2, -2}, {2, 2, -2}, {-2, 2, -2}, {-2, -2, -2}};
const int faces[6][4] = {{0, 4, 5, 1}, {5, 6, 2, 1}, {7, 3, 2, 6},
                         {7, 4, 0, 3}, {3, 0, 1, 2}, {4, 7, 6, 5}};
const Vec outward[6] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

// A 256 x 256 texture: coloured checks with a luma ramp along u and a white
// frame, so orientation, shading and seams all show.
void load_checks(TestArea& t, uint32_t address, uint8_t hue) {
    for (uint32_t v = 0; v < 256; ++v) {
        for (uint32_t u = 0; u < 256; ++u) {
            const bool check = ((u / 32) + (v / 32)) % 2 == 0;
            const bool frame = u < 8 || v < 8 || u >= 248 || v >= 248;
            const uint8_t ramp = static_cast<uint8_t>(60 + u * 3 / 4);
            t.video()[address + v * 256 + u] = frame   ? 0x80EB80EBu
                                               : check ? rgb_to_pixel(ramp, hue, 255 - hue)
                                                       : rgb_to_pixel(hue, ramp / 2, 40);
        }
    }
}

// The picture: a disc on the key colour.
void load_picture(TestArea& t, uint32_t address, uint32_t key) {
    for (uint32_t v = 0; v < 256; ++v) {
        for (uint32_t u = 0; u < 256; ++u) {
            const double du = u - 127.5, dv = v - 127.5;
            const bool disc = du * du + dv * dv < 120 * 120;
            t.video()[address + v * 256 + u] =
                disc ? rgb_to_pixel(static_cast<uint8_t>(255 - u / 2), 200, static_cast<uint8_t>(v))
                     : key;
        }
    }
}

constexpr uint32_t out = 0;
constexpr uint32_t tex_a = 0x40000;
constexpr uint32_t tex_b = 0x50000;
constexpr uint32_t tex_pic = 0x60000;
constexpr uint32_t key = 0x6E29F029u;

Words cube_faces(const Camera& cam, bool outside, double shade_bias) {
    Words w;
    for (int f = 5; f >= 0; --f) {
        const double facing = dot(sub(cube[faces[f][0]], cam.eye), outward[f]);
        if (outside ? facing > 0 : facing < 0) continue;
        const double uvs[4][2] = {{0, 0}, {256, 0}, {256, 256}, {0, 256}};
        std::vector<Vertex> vs;
        for (int k = 0; k < 4; ++k) {
            const Vec p = cam.view(cube[faces[f][k]]);
            vs.push_back({p[0], p[1], p[2], uvs[k][0], uvs[k][1], (p[2] + shade_bias) * 64});
        }
        w = join({w, cmd_buffer(gpu_op_set_txt_buf, f % 2 ? tex_b : tex_a, 8, 256),
                  cmd_facet(f == 4 ? 2 : 3, 0x00F08080u, 0, vs)});
    }
    return w;
}

Words clear_and_select() {
    return join(
        {cmd_buffer(gpu_op_set_out_buf, out, 9, 250), cmd_facet(0, black_pixel, 0,
                                                                {{-10, -10, -257 / 65536.0},
                                                                 {10, -10, -257 / 65536.0},
                                                                 {10, 10, -257 / 65536.0},
                                                                 {-10, 10, -257 / 65536.0}})});
}

Words scene_outside() {
    const Camera cam({5.5, -2.5, 6.0}, {0, 0, 0});
    return join({clear_and_select(), cube_faces(cam, true, 4.0)});
}

Words scene_inside() {
    const Camera cam({0.6, 0.4, 0.9}, {-0.4, -0.3, -3});
    Words w = join({cmd_view(7), clear_and_select(), cube_faces(cam, false, 2.0)});
    // The picture cast onto the far wall (z = -2), cut by the other walls.
    std::vector<PlaneSpec> planes;
    for (int f = 0; f < 6; ++f) {
        if (f == 5) continue;
        const Vec p = cam.view(cube[faces[f][0]]);
        const Vec n = cam.turn({-outward[f][0], -outward[f][1], -outward[f][2]});
        planes.push_back({p[0], p[1], p[2], n[0], n[1], n[2]});
    }
    std::vector<Vertex> cast;
    const double corners[4][4] = {
        {-3.1, -1.2, 0, 0}, {0.9, -1.2, 255, 0}, {0.9, 2.8, 255, 255}, {-3.1, 2.8, 0, 255}};
    for (const auto& c : corners) {
        const Vec p = cam.view({c[0], c[1], -2});
        cast.push_back({p[0], p[1], p[2], c[2], c[3], 0});
    }
    std::vector<Vertex> picture = {{-0.35, -0.3, -1.2, 0, 0},
                                   {0.35, -0.25, -1.25, 255, 0},
                                   {0.3, 0.4, -1.3, 255, 255},
                                   {-0.4, 0.35, -1.25, 0, 255}};
    return join({w, cmd_buffer(gpu_op_set_txt_buf, tex_pic, 8, 256), cmd_planes(5, planes),
                 cmd_facet(6, key, -30, cast), cmd_planes(0, {}), cmd_facet(4, key, -30, picture)});
}

std::string ppm(const RgbFrame& f) {
    std::ostringstream s;
    s << "P6\n" << f.width << " " << f.height << "\n255\n";
    s.write(reinterpret_cast<const char*>(f.rgb.data()),
            static_cast<std::streamsize>(f.rgb.size()));
    return s.str();
}

void check_golden(const std::string& name, const Words& scene) {
    TestArea t;
    Renderer r(t.area());
    load_checks(t, tex_a, 40);
    load_checks(t, tex_b, 200);
    load_picture(t, tex_pic, key);
    run(t, r, join({scene, cmd_buffer(gpu_op_show, out, 9, 250)}));
    EXPECT_EQ(r.error_count(), 0u);
    RgbFrame frame;
    ASSERT_TRUE(r.display_next(frame));
    const std::string got = ppm(frame);

    const std::string path = std::string(LUMENFALL_GOLDEN_DIR) + "/" + name + ".ppm";
    const char* regenerate = std::getenv("LUMENFALL_REGENERATE_GOLDEN");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        std::ofstream(path, std::ios::binary) << got;
        GTEST_SKIP() << "rewrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " missing; run with LUMENFALL_REGENERATE_GOLDEN=1 to create it";
    const std::string want((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (got != want) {
        std::ofstream(name + ".actual.ppm", std::ios::binary) << got;
        size_t differing = 0;
        for (size_t i = 0; i < std::min(got.size(), want.size()); i += 3) {
            differing += got.compare(i, 3, want, i, 3) != 0;
        }
        FAIL() << name << ": " << differing << " pixels differ from " << path
               << "; picture written to " << name << ".actual.ppm";
    }
}

TEST(Golden, CubeFromOutside) {
    check_golden("cube_outside", scene_outside());
}

TEST(Golden, CubeFromInsideWithPictureAndCastImage) {
    check_golden("cube_inside", scene_inside());
}

} // namespace
} // namespace renderer::test
