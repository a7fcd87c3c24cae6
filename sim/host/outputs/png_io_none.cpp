// The PNG service of a build made without libpng.
#include "png_io.h"

namespace sim::out {

bool png_supported() {
    return false;
}

std::string write_png(const std::string&, const RgbImage&) {
    return "this build of handheld-sim has no PNG support (libpng was not found)";
}

std::string read_png(const std::string&, RgbImage&) {
    return "this build of handheld-sim has no PNG support (libpng was not found)";
}

} // namespace sim::out
