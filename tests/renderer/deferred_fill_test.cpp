// The clear kept back until something may look at the buffer: random frames
// drawn after a full-window fill must end with exactly the pixels they get
// when the same fill comes as two halves, which are painted at once.
#include "random_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace renderer::test {
namespace {

TEST(DeferredFill, FramesOverAWholeWindowFillEqualThoseOverOnePaintedAtOnce) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const std::vector<uint32_t> kept_back = draw_random_frames(seed, true);
        const std::vector<uint32_t> at_once = draw_random_frames(seed, false);
        ASSERT_EQ(kept_back.size(), at_once.size());
        const auto diff = std::mismatch(kept_back.begin(), kept_back.end(), at_once.begin());
        ASSERT_TRUE(diff.first == kept_back.end())
            << "seed " << seed << ": first difference at word " << (diff.first - kept_back.begin())
            << " (row " << ((diff.first - kept_back.begin()) >> random_frames_out_log2_width) << ")";
    }
}

} // namespace
} // namespace renderer::test
