// The web build's generator against the C library it stands in for: the
// same numbers for the same seed, including the seeds the C library treats
// specially (0) or reads as negative.
#include "handheld_random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(HandheldRandom, DrawsWhatTheCLibraryDraws) {
    const unsigned seeds[] = {0u,          1u,          2u,          12345u,
                              0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1765170000u};
    for (const unsigned seed : seeds) {
        web::HandheldRandom generator;
        generator.seed(seed);
        std::srand(seed);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(generator.next(), std::rand()) << "seed " << seed << ", draw " << i;
    }
}

TEST(HandheldRandom, ReseedingStartsTheSequenceAgain) {
    web::HandheldRandom generator;
    generator.seed(99);
    const int32_t first = generator.next();
    generator.next();
    generator.seed(99);
    EXPECT_EQ(generator.next(), first);
}

} // namespace
