// The display program's inner loops: groups of four source pixel words
// converted into two frame buffer words (two RGB 5:6:5 pixels each, the
// left one in the low half). Each build takes one implementation: the
// portable one below, or hand-written ARM code for the handheld's processor
// (rgb565_lines_arm.S), proven identical to it by a randomized test.
#pragma once

#include "rgb565_tables.h"

#include <cstdint>

namespace display {

// The frame buffer is a screen of 16-bit pixels written here a word at a
// time, so its words are accessed through a type that may alias them.
using FrameWord = uint32_t __attribute__((may_alias));

} // namespace display

extern "C" {

// For a line whose pixels repeat: four words equal to the last one cost four
// compares and two stores; a new word whose chroma (U, V) is the last one's
// costs lookups by Y only. Returns how often the chroma changed (at least
// once: the line's first pixel), which tells how noisy the line is.
uint32_t rgb565_line_runs(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                          const display::Rgb565Tables* tables);

// For a line of new words everywhere: every pixel converted, no compares.
void rgb565_line_straight(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                          const display::Rgb565Tables* tables);

// One pixel word to RGB 5:6:5 (for a narrow buffer's last pixels).
uint32_t rgb565_pixel(uint32_t word, const display::Rgb565Tables* tables);

// The portable versions, in every build, so that a test can hold the ARM
// code against them.
uint32_t rgb565_line_runs_portable(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                                   const display::Rgb565Tables* tables);
void rgb565_line_straight_portable(const uint32_t* src, display::FrameWord* out, uint32_t groups,
                                   const display::Rgb565Tables* tables);

} // extern "C"
