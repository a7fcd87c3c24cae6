// The demo's random stream against the PC's C library, which defines it.
#include "random_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// Seed 0 stands for 1; seeds above 2^31 start from a negative word; the
// others are spread over the whole range.
TEST(RandomStream, MatchesTheCLibraryForEverySeed) {
    std::vector<uint32_t> seeds = {0u,          1u,          2u,          1234u,       0x7FFFFFFFu,
                                   0x80000000u, 0x80000001u, 0xDEADBEEFu, 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (uint32_t i = 0; i < 200; ++i) {
        seeds.push_back(i * 2654435761u + 12345u);
    }
    for (const uint32_t seed : seeds) {
        std::srand(seed);
        seed_random(seed);
        for (int draw = 0; draw < 700; ++draw) {
            const int expected = std::rand();
            ASSERT_EQ(next_random(), expected) << "seed " << seed << ", draw " << draw;
        }
    }
}

} // namespace
