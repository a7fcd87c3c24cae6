// The display path: a shown buffer's visible picture turned into RGB.
#pragma once

#include "render_state.h"
#include "rgb_frame.h"

#include <cstdint>

namespace renderer {

// Converts the top-left 320 x 240 pixels of buf into frame (resizing it to
// the screen). Parts of the screen the buffer does not reach, and the whole
// screen for a buffer that is not valid, show black.
void convert_visible(const uint32_t* video, const BufferSel& buf, RgbFrame& frame);

// A fingerprint of the words convert_visible reads: 64-bit FNV-1a over the
// visible words of buf, row by row, each word little-endian. Two renderers
// that put the same words on display agree on it, whatever their colours.
uint64_t visible_words_digest(const uint32_t* video, const BufferSel& buf);

} // namespace renderer
