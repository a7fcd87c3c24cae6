#include "image_writer.h"

#include <fstream>

namespace picture_tool {

bool write_rgb_image(const std::string& path, const RgbImage& image, std::string& written_path,
                     std::string& error) {
    std::string target = path;
    const std::string png_ending = ".png";
    if (target.size() >= png_ending.size() &&
        target.compare(target.size() - png_ending.size(), png_ending.size(), png_ending) == 0)
        target.replace(target.size() - png_ending.size(), png_ending.size(), ".ppm");
    std::ofstream out(target, std::ios::binary);
    if (!out) {
        error = "cannot open " + target + " for writing";
        return false;
    }
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()),
              static_cast<std::streamsize>(image.rgb.size()));
    if (!out.flush()) {
        error = "cannot write " + target;
        return false;
    }
    written_path = target;
    return true;
}

} // namespace picture_tool
