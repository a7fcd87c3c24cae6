// The display program's one piece of arithmetic: a shown buffer's visible
// 320 x 240 pixels (words with bytes Y, U, Y, V, studio range) turned into
// the frame buffer's RGB 5:6:5, integers only.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>

namespace display {

inline constexpr int screen_width = 320;
inline constexpr int screen_height = 240;
inline constexpr uint32_t frame_buffer_bytes = screen_width * screen_height * 2;

// One pixel word to RGB 5:6:5 (BT.601, Y 16..235, chroma centred at 128).
uint16_t pixel_to_rgb565(uint32_t word);

// True when the buffer lies wholly inside video memory: the mailbox is
// written by another core, so its words are checked before any is used.
bool buffer_in_video(const gpuBufLoc& loc);

// Converts the top-left 320 x 240 pixels of the buffer at loc into fb
// (320 x 240 pixels, rows packed). Where the buffer does not reach, and for
// a buffer outside video memory, the screen shows black.
void convert_to_rgb565(const uint32_t* video, const gpuBufLoc& loc, uint16_t* fb);

} // namespace display
