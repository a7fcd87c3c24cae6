// Conversion between a 255 x 256 one-bit image and the demo's packed runs.
#pragma once

#include "bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace picture_tool {

inline constexpr uint32_t packed_width = 255;
inline constexpr uint32_t packed_height = 256;

// Packs a 255 x 256 image. A line gets a leading run of 0 only when its first
// pixel is set; no other run is ever 0.
bool pack_picture(const Bitmap& bitmap, std::vector<uint8_t>& packed, std::string& error);

// Unpacks with the demo's own line decoder. Truncated data, a line whose runs
// pass 255 and bytes left over after the last line are all errors.
bool unpack_picture(const std::vector<uint8_t>& packed, Bitmap& bitmap, std::string& error);

} // namespace picture_tool
