// Large facets' rows shared out: painted in any order and in pieces, the
// pictures must be those of one thread painting row after row. The stand-in
// for the host's threads paints the pieces from the bottom up, the order
// most unlike the renderer's own, so a facet that reads its own output rows
// (left to one thread on purpose) would come out different if shared.
#include "random_frames.h"

#include "row_share.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace renderer::test {
namespace {

class PiecesFromTheBottom final : public RowShare {
  public:
    void paint(Job job, void* context, int32_t first, int32_t last) override {
        ++facets;
        for (int32_t end = last; end > first; end -= 3)
            job(context, end - 3 > first ? end - 3 : first, end);
    }
    int facets = 0;
};

TEST(RowShare, RowsPaintedInPiecesFromTheBottomGiveTheSamePictures) {
    PiecesFromTheBottom share;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const std::vector<uint32_t> alone = draw_random_frames(seed, true);
        const std::vector<uint32_t> shared = draw_random_frames(seed, true, &share);
        ASSERT_EQ(alone.size(), shared.size());
        const auto diff = std::mismatch(alone.begin(), alone.end(), shared.begin());
        ASSERT_TRUE(diff.first == alone.end())
            << "seed " << seed << ": first difference at row "
            << ((diff.first - alone.begin()) >> random_frames_out_log2_width);
    }
    // The frames hold facets large enough to be shared out.
    EXPECT_GT(share.facets, 100);
}

// A copy of the output buffer's rows onto themselves, each screen row from
// the one below: painted top down it moves the picture up a row; from the
// bottom up it would smear one row over all of them.
std::vector<uint32_t> copy_rows_up(RowShare* share) {
    constexpr uint32_t out = 0x20000, log2_width = 9, height = 240;
    TestArea t;
    Renderer r(t.area());
    r.set_row_share(share);
    for (uint32_t i = 0; i < (height << log2_width); ++i)
        t.video()[out + i] = i * 2654435761u;
    run(t, r,
        join({cmd_buffer(gpu_op_set_out_buf, out, log2_width, height),
              cmd_buffer(gpu_op_set_txt_buf, out, log2_width, height),
              cmd_facet(2, 0, 0, screen_quad(0, 0, 300, 200, 0.5, 1.5, 300.5, 201.5))}));
    EXPECT_EQ(r.error_count(), 0u);
    return {t.video() + out, t.video() + out + (height << log2_width)};
}

TEST(RowShare, AFacetReadingItsOwnOutputRowsIsPaintedRowAfterRow) {
    PiecesFromTheBottom share;
    const std::vector<uint32_t> alone = copy_rows_up(nullptr);
    EXPECT_TRUE(copy_rows_up(&share) == alone);
    EXPECT_EQ(share.facets, 0);
    // The copy did move the rows up, so the order mattered.
    EXPECT_EQ(alone[(10 << 9) + 20], (((11u << 9) + 20) * 2654435761u));
}

} // namespace
} // namespace renderer::test
