// PNG through libpng's simplified API, which reports errors in the image
// record instead of by longjmp, and so needs no setjmp around the calls.
#include "png_io.h"

#include <png.h>

namespace sim::out {
namespace {

constexpr uint64_t max_png_pixels = uint64_t{1} << 24;

std::string png_message(const png_image& image, const char* fallback) {
    return image.message[0] != '\0' ? image.message : fallback;
}

} // namespace

bool png_supported() {
    return true;
}

std::string write_png(const std::string& path, const RgbImage& image) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        std::string message = png_message(png, "cannot write the file");
        png_image_free(&png);
        return message;
    }
    return {};
}

std::string read_png(const std::string& path, RgbImage& image) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return png_message(png, "not a readable PNG file");
    // A picture this large is no screen picture; refusing it here keeps a
    // hostile header from asking for gigabytes.
    if (static_cast<uint64_t>(png.width) * png.height > max_png_pixels) {
        png_image_free(&png);
        return "the picture is " + std::to_string(png.width) + "x" + std::to_string(png.height) +
               " pixels, far too large";
    }
    png.format = PNG_FORMAT_RGB;
    RgbImage result(static_cast<int>(png.width), static_cast<int>(png.height));
    if (!png_image_finish_read(&png, nullptr, result.rgb.data(), 0, nullptr)) {
        std::string message = png_message(png, "the PNG data is damaged");
        png_image_free(&png);
        return message;
    }
    image = std::move(result);
    return {};
}

} // namespace sim::out
