// The picture drawn as itself and cast onto the cube's walls: the commands
// of each pass, the clip planes around every cast image, the projection,
// and the rays that drop a wall.
#include "demo_fixture.h"

namespace demo_test {
namespace {

constexpr int32_t one = 0x10000;

class PictureFacets : public DemoTest {
  protected:
    void SetUp() override {
        DemoTest::SetUp();
        picture_ = gpuAlloc(8, 256, false);
        ASSERT_NE(picture_, nullptr);
        // The identity view with the eye at the origin: view space is world
        // space, and the projection centre is (0, 1.0, 1.0).
        camera.pos[2] = 0;
        for (int k = 0; k < 4; ++k)
            corners_[k] = vec[k];
    }

    Command txt_command() {
        return {gpu_op_set_txt_buf, gpuBuf_get_loc(picture_)->address, 8, 256};
    }

    GpuHarness harness_;
    gpuBuf* picture_ = nullptr;
    FixVec corners_[4];
};

// The clip record for a cast onto `wall`: the other five walls in
// increasing order, each as its first corner and its inward normal.
Command planes_around(int wall, uint32_t count) {
    Command record = {gpu_op_set_clip_planes, count};
    for (int j = 0; j < cube_face_count; ++j) {
        if (j == wall) continue;
        const FixVec& point = cube_vec[cube_facet[j][0]];
        const FixVec& normal = cube_normal[j].normal;
        for (int32_t word : {point.x, point.y, point.z, normal.x, normal.y, normal.z})
            record.push_back(static_cast<uint32_t>(word));
    }
    return record;
}

void expect_picture_header(const Command& facet, uint32_t rendering_type) {
    ASSERT_EQ(facet.size(), gpu_facet_words(4));
    EXPECT_EQ(facet[0], gpu_op_facet);
    EXPECT_EQ(facet[1], 4u);
    EXPECT_EQ(facet[2], 0x6E29F029u);
    EXPECT_EQ(as_signed(facet[3]), -30);
    EXPECT_EQ(facet[4], rendering_type);
    const int32_t uv[4][2] = {{0, 0}, {0xff0000, 0}, {0xff0000, 0xff0000}, {0, 0xff0000}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(vertex_word(facet, k, 3), uv[k][0]);
        EXPECT_EQ(vertex_word(facet, k, 4), uv[k][1]);
        EXPECT_EQ(vertex_word(facet, k, 5), 0);
    }
}

TEST_F(PictureFacets, PicturePassSendsTheCornersUnchanged) {
    // The product values are not read: stale ones change nothing.
    for (FixVec& corner : corners_)
        corner.xy = 0x12345;
    transf_draw_pic(picture_, corners_, 0);
    const std::vector<Command> sent = harness_.drain();

    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], txt_command());
    expect_picture_header(sent[1], 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(vertex_word(sent[1], k, 0), vec[k].x);
        EXPECT_EQ(vertex_word(sent[1], k, 1), vec[k].y);
        EXPECT_EQ(vertex_word(sent[1], k, 2), vec[k].z);
    }
}

// Seen from (0, 1.0, 1.0) the picture at depth -0.92 falls on the floor
// (wall 3, y = -2.0) and on the far wall (wall 5, z = -2.0); every other
// wall has rays running away from it or straddling it.
TEST_F(PictureFacets, CastImagesComeInWallOrderEachBehindItsClipPlanes) {
    transf_draw_pic(picture_, corners_, 1);
    const std::vector<Command> sent = harness_.drain();

    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0], txt_command());
    EXPECT_EQ(sent[1], planes_around(3, 5));
    expect_picture_header(sent[2], 6);
    EXPECT_EQ(sent[3], planes_around(5, 5));
    expect_picture_header(sent[4], 6);
    // Switching clipping off leaves the last planes written in the slots.
    EXPECT_EQ(sent[5], planes_around(5, 0));

    // Corner 0, (-0.5, -0.5, -60000), projected from (0, 1.0, 1.0). On the
    // floor: z = -60000 + 125536 x (-98304) / 98304, then x through z.
    EXPECT_EQ(vertex_word(sent[2], 0, 0), -one);
    EXPECT_EQ(vertex_word(sent[2], 0, 1), -2 * one);
    EXPECT_EQ(vertex_word(sent[2], 0, 2), -185536);
    // On the far wall: x = -32768 + trunc(32768 x (-71072) / 125536), and y
    // through x: -32768 + 98304 x (-18551) / 32768.
    EXPECT_EQ(vertex_word(sent[4], 0, 0), -51319);
    EXPECT_EQ(vertex_word(sent[4], 0, 1), -88421);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(vertex_word(sent[2], k, 1), -2 * one) << k;
        EXPECT_EQ(vertex_word(sent[4], k, 2), -2 * one) << k;
    }
}

// A ray parallel to a wall (W[a] = E[a]) drops that wall, and so does a
// zero step along its second axis (E[b] = W[b]).
TEST_F(PictureFacets, DegenerateRaysDropTheirWall) {
    struct Case {
        const char* name;
        int axis;
        int32_t value;
        std::vector<int> walls;
    };
    const std::vector<Case> cases = {
        {"no change", 0, vec[0].x, {3, 5}},
        {"x on the centre: second axis of the far wall", 0, 0, {3}},
        {"y on the centre: parallel to the floor", 1, one, {5}},
        {"z on the centre: parallel to the far wall, second axis of the floor", 2, one, {}},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int k = 0; k < 4; ++k)
            corners_[k] = vec[k];
        int32_t* fields[3] = {&corners_[0].x, &corners_[0].y, &corners_[0].z};
        *fields[c.axis] = c.value;
        transf_draw_pic(picture_, corners_, 1);
        const std::vector<Command> all = harness_.drain();
        const std::vector<Command> sent(all.begin() + static_cast<long>(seen), all.end());
        seen = all.size();

        ASSERT_EQ(sent.size(), 2 + 2 * c.walls.size());
        for (size_t i = 0; i < c.walls.size(); ++i) {
            EXPECT_EQ(sent[1 + 2 * i], planes_around(c.walls[i], 5));
            EXPECT_EQ(sent[2 + 2 * i][0], gpu_op_facet);
        }
        EXPECT_EQ(sent.back()[1], 0u) << "plane_count 0 ends every pass";
    }
}

TEST_F(PictureFacets, PassWithNoWallCatchingThePictureOnlySwitchesClippingOff) {
    // Corners on both sides of the centre along every axis.
    const FixVec around[4] = {
        {-one, 0, 0, 0}, {one, 2 * one, 0, 0}, {one, 0, 2 * one, 0}, {-one, 2 * one, 2 * one, 0}};
    transf_draw_pic(picture_, around, 1);
    const std::vector<Command> sent = harness_.drain();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], txt_command());
    EXPECT_EQ(sent[1][0], gpu_op_set_clip_planes);
    EXPECT_EQ(sent[1][1], 0u);
    EXPECT_EQ(sent[1].size(), 32u);
}

} // namespace
} // namespace demo_test
