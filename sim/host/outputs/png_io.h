// PNG files, for the frame and contact-sheet outputs and for menu pictures.
// Built over libpng when the build found it; otherwise a variant whose calls
// all report that PNG support is missing.
#pragma once

#include "rgb_image.h"

#include <string>

namespace sim::out {

// True when this build can read and write PNG files.
bool png_supported();

// Writes an 8-bit RGB picture. Empty on success, else what went wrong.
std::string write_png(const std::string& path, const RgbImage& image);

// Reads any PNG as 8-bit RGB (alpha dropped, palette and grey expanded).
// Empty on success, else what went wrong.
std::string read_png(const std::string& path, RgbImage& image);

} // namespace sim::out
