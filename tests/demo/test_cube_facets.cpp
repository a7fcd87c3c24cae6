// Drawing one cube face: what is sent for a visible face, which faces are
// visible from outside and from inside, edge-on faces, and the fatal checks.
#include "demo_fixture.h"

namespace demo_test {
namespace {

constexpr int32_t one = 0x10000;
constexpr int32_t two = 0x20000;
constexpr int32_t four = 0x40000;

class CubeFacets : public DemoTest {
  protected:
    void SetUp() override {
        DemoTest::SetUp();
        texture_ = gpuAlloc(8, 256, false);
        ASSERT_NE(texture_, nullptr);
        for (gpuBuf*& text : facet_text)
            text = texture_;
    }

    // The start record with its translation filled in: the eye at (0, 0, 4.0).
    void place_camera_at_start() {
        camera.trans[2] = -four;
        transform_cube();
    }

    std::vector<Command> draw(uint32_t face, int front, int32_t bias) {
        draw_facet(face, front, bias);
        return harness_.drain();
    }

    GpuHarness harness_;
    gpuBuf* texture_ = nullptr;
};

TEST_F(CubeFacets, FrontFaceAtTheStartIsSentWithItsTextureCornersAndShade) {
    place_camera_at_start();
    facet_rendering[4] = 2;
    const std::vector<Command> sent = draw(4, 1, four);

    ASSERT_EQ(sent.size(), 2u);
    const gpuBufLoc* loc = gpuBuf_get_loc(texture_);
    EXPECT_EQ(sent[0], (Command{gpu_op_set_txt_buf, loc->address, 8, 256}));

    const Command& facet = sent[1];
    ASSERT_EQ(facet.size(), gpu_facet_words(4));
    EXPECT_EQ(facet[0], gpu_op_facet);
    EXPECT_EQ(facet[1], 4u);
    EXPECT_EQ(facet[2], 0x00F08080u);
    EXPECT_EQ(facet[3], 0u);
    EXPECT_EQ(facet[4], 2u);
    // Face 4 is corners 3, 0, 1, 2 on the plane z = 2.0, seen from z = 4.0.
    const int32_t xy[4][2] = {{-two, -two}, {two, -two}, {two, two}, {-two, two}};
    const int32_t uv[4][2] = {{0, 0}, {512 * one, 0}, {512 * one, 512 * one}, {0, 512 * one}};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(vertex_word(facet, k, 0), xy[k][0]);
        EXPECT_EQ(vertex_word(facet, k, 1), xy[k][1]);
        EXPECT_EQ(vertex_word(facet, k, 2), -two);
        EXPECT_EQ(vertex_word(facet, k, 3), uv[k][0]);
        EXPECT_EQ(vertex_word(facet, k, 4), uv[k][1]);
        EXPECT_EQ(vertex_word(facet, k, 5), 8388608); // (-2.0 + 4.0) x 64
    }
}

// From outside (front set) the faces turned towards the eye are drawn,
// from inside (front clear) the ones turned away; only the low 8 bits of
// the flag count.
TEST_F(CubeFacets, VisibilityAtTheStartDependsOnTheSide) {
    place_camera_at_start();
    struct Case {
        uint32_t face;
        int front;
        bool drawn;
    };
    const Case cases[] = {
        {4, 1, true},      {4, 0, false},    {5, 1, false}, {5, 0, true},
        {4, 0x100, false}, {5, 0x100, true}, {4, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "face " << c.face << " front " << c.front);
        const size_t before = harness_.drain().size();
        draw_facet(c.face, c.front, four);
        EXPECT_EQ(harness_.drain().size() - before, c.drawn ? 2u : 0u);
    }
}

// Face 0 set up by hand so that its normalised outward direction is
// (1.0, 0, 1/65536) and its first corner is (0, -1.0, z0): the facing value
// d is exactly z0.
TEST_F(CubeFacets, EdgeOnFacesAreDrawnFromBothSides) {
    struct Case {
        int32_t d;
        bool outside;
        bool inside;
    };
    const Case cases[] = {
        {-1, true, false},    {0, true, true},       {65535, true, true},
        {65536, false, true}, {-65536, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.d);
        // Corners 0, 4, 5, 1 of face 0; the sum is (4.0, 0, 4).
        const int32_t corners[4][3] = {
            {0, -one, c.d}, {two, -one, 4 - c.d}, {one, one, 0}, {one, one, 0}};
        const int cube_corner[4] = {0, 4, 5, 1};
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 3; ++i)
                c3d[cube_corner[k]][i] = corners[k][i];
        const size_t before = harness_.drain().size();
        draw_facet(0, 1, 0);
        const size_t after_outside = harness_.drain().size();
        draw_facet(0, 0, 0);
        const size_t after_inside = harness_.drain().size();
        EXPECT_EQ(after_outside - before, c.outside ? 2u : 0u);
        EXPECT_EQ(after_inside - after_outside, c.inside ? 2u : 0u);
    }
}

TEST(CubeFacetsDeath, FaceOutOfRangeFailsBeforeAnythingIsSent) {
    EXPECT_DEATH(draw_facet(6, 1, four),
                 "lumenfall:313: draw_facet: Assertion `f < \\(sizeof\\(cube_facet\\)/"
                 "sizeof\\(\\*cube_facet\\)\\)' failed");
}

// A texture whose height is not a power of two is refused by the texture
// selection, which the face drawing treats as fatal.
TEST(CubeFacetsDeath, RefusedTextureIsFatal) {
    EXPECT_DEATH(
        {
            test_support::InProcessArea area;
            Fix_trig_init();
            demo_reset_state();
            camera.trans[2] = -four;
            transform_cube();
            facet_text[4] = gpuAlloc(8, 250, false);
            draw_facet(4, 1, four);
        },
        "lumenfall:331: draw_facet: Assertion `0' failed");
}

} // namespace
} // namespace demo_test
