// The renderer.img the build made: sealed, within the second core's first
// MiB with room left for its data and stack, opening with the exception
// vectors: reset into its own code, every other vector to a halt that stays
// put.
#include "image_check.h"
#include "image_header.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace second_core {
namespace {

uint32_t word_at(const std::vector<uint8_t>& m, uint32_t at) {
    return m[at] | m[at + 1] << 8 | m[at + 2] << 16 | static_cast<uint32_t>(m[at + 3]) << 24;
}

// Where the always-taken branch at `at` leads, or 0 if it is no such branch.
uint32_t branch_target(const std::vector<uint8_t>& m, uint32_t at) {
    const uint32_t word = word_at(m, at);
    if (word >> 24 != 0xEAu) return 0;
    const int32_t offset = static_cast<int32_t>(word << 8) >> 6;
    return at + 8 + static_cast<uint32_t>(offset);
}

TEST(ImageFile, IsSealedAndFitsBelowTheSharedArea) {
    std::ifstream in(LUMENFALL_RENDERER_IMAGE, std::ios::binary);
    if (!in) GTEST_SKIP() << "no " << LUMENFALL_RENDERER_IMAGE << " (no ARM toolchain)";
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    const size_t size = image.size();
    ASSERT_GT(size, image_code_offset);
    // At least half the MiB stays free for the program's data and stack.
    EXPECT_LE(size, image_max_bytes / 2);

    std::vector<uint8_t> memory(image_max_bytes, 0);
    std::copy(image.begin(), image.end(), memory.begin());
    EXPECT_EQ(image_problem(memory.data(), memory.size()), "");
    EXPECT_EQ(word_at(memory, image_size_offset), size);

    // Reset: forward past the header and the halts, into the image.
    const uint32_t start = branch_target(memory, 0);
    EXPECT_GE(start, image_code_offset);
    EXPECT_LT(start, size);
    // Every other vector: to its own halt, a branch to itself, so that the
    // core stays where the exception put it.
    for (uint32_t v = 1; v < image_vector_count; ++v) {
        const uint32_t halt = branch_target(memory, 4 * v);
        EXPECT_EQ(halt, image_halts_offset + 4 * (v - 1)) << "vector " << v;
        EXPECT_EQ(branch_target(memory, halt), halt) << "vector " << v;
        EXPECT_NE(image_halt_reason(halt), nullptr) << "vector " << v;
    }
    EXPECT_EQ(branch_target(memory, image_code_offset - 4), image_code_offset - 4)
        << "the program's own halt";
}

} // namespace
} // namespace second_core
