// Writes an RGB image to a file. The build picks one implementation: PNG
// when libpng is available, binary PPM otherwise.
#pragma once

#include "preview.h"

#include <string>

namespace picture_tool {

// Writes `image` to `path`, or to the nearest name the format allows (the
// PPM writer turns a ".png" ending into ".ppm"); `written_path` says which.
bool write_rgb_image(const std::string& path, const RgbImage& image, std::string& written_path,
                     std::string& error);

} // namespace picture_tool
