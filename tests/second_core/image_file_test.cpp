// The renderer.img the build made: sealed, within the second core's first
// MiB with room left for its data and stack, starting with a branch into
// its own code.
#include "image_check.h"
#include "image_header.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace second_core {
namespace {

TEST(ImageFile, IsSealedAndFitsBelowTheSharedArea) {
    std::ifstream in(LUMENFALL_RENDERER_IMAGE, std::ios::binary);
    if (!in) GTEST_SKIP() << "no " << LUMENFALL_RENDERER_IMAGE << " (no ARM toolchain)";
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    const size_t size = image.size();
    ASSERT_GT(size, image_header_bytes);
    // At least half the MiB stays free for the program's data and stack.
    EXPECT_LE(size, image_max_bytes / 2);

    std::vector<uint8_t> memory(image_max_bytes, 0);
    std::copy(image.begin(), image.end(), memory.begin());
    EXPECT_EQ(image_problem(memory.data(), memory.size()), "");
    EXPECT_EQ(memory[image_size_offset] | memory[image_size_offset + 1] << 8 |
                  memory[image_size_offset + 2] << 16,
              static_cast<int>(size));

    // Word 0: an unconditional branch forward past the header, inside the image.
    const uint32_t first =
        memory[0] | memory[1] << 8 | memory[2] << 16 | static_cast<uint32_t>(memory[3]) << 24;
    ASSERT_EQ(first >> 24, 0xEAu);
    const uint32_t target = 8 + ((first & 0x00FFFFFFu) << 2);
    EXPECT_GE(target, image_header_bytes);
    EXPECT_LT(target, size);
}

} // namespace
} // namespace second_core
