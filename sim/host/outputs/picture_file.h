// Reading a picture the user names: PNG (when the build has libpng) or binary
// PPM (P6, always). The format is told by the file's first bytes.
#pragma once

#include "rgb_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Throws HostError with a message naming the file on any fault: missing,
// unreadable, truncated, not a picture, or not of the given size.
RgbImage load_picture(const std::string& path, int width, int height);

// Parses P6 data already in memory. Empty on success, else what is wrong.
std::string parse_ppm(const std::vector<uint8_t>& bytes, RgbImage& image);

} // namespace sim
