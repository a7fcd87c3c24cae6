#include "image_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace picture_tool {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool write_rgb_image(const std::string& path, const RgbImage& image, std::string& written_path,
                     std::string& error) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_stdio(&png, file.get(), 0, image.rgb.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    if (std::fflush(file.get()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    written_path = path;
    return true;
}

} // namespace picture_tool
