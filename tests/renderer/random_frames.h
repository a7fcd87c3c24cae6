// Random frames of every rendering type over a poisoned output buffer, for
// tests that draw the same frames two ways and compare the pictures: a
// full-window fill (whole, or as two halves), facets of every type over
// parts of it, some reading their texels from rows of the output buffer
// itself, windows of several sizes, then a show.
#pragma once

#include "test_area.h"

#include <cstdint>
#include <random>
#include <vector>

namespace renderer {
class RowShare;
}

namespace renderer::test {

inline constexpr uint32_t random_frames_out_log2_width = 9;

// Commands for one frame.
Words random_frame(std::mt19937& random, bool clear_whole);

// Eight frames from seed in a fresh area, drawn with share (null: none);
// the output buffer as the display takes it after the last show.
std::vector<uint32_t> draw_random_frames(uint32_t seed, bool clear_whole, RowShare* share = nullptr);

} // namespace renderer::test
