#include "picture_file.h"

#include "host_error.h"
#include "png_io.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

// No screen picture in P6 comes near this; a bigger file is not one.
constexpr size_t max_picture_file_bytes = 64u << 20;

std::vector<uint8_t> read_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr) throw_errno("cannot open picture '" + path + "'");
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 &&
           bytes.size() <= max_picture_file_bytes)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw_errno("cannot read picture '" + path + "'");
    if (bytes.size() > max_picture_file_bytes)
        throw HostError("picture '" + path + "' is too large to be a screen picture");
    return bytes;
}

// Reads one decimal header field of a PPM, skipping white space and comments.
bool ppm_number(const std::vector<uint8_t>& bytes, size_t& at, uint32_t& value) {
    while (at < bytes.size()) {
        if (bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
        } else if (std::isspace(bytes[at])) {
            ++at;
        } else {
            break;
        }
    }
    if (at >= bytes.size() || !std::isdigit(bytes[at])) return false;
    value = 0;
    while (at < bytes.size() && std::isdigit(bytes[at])) {
        value = value * 10 + (bytes[at++] - '0');
        if (value > 1'000'000) return false;
    }
    return true;
}

} // namespace

std::string parse_ppm(const std::vector<uint8_t>& bytes, RgbImage& image) {
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return "not a P6 PPM picture";
    size_t at = 2;
    uint32_t width, height, maxval;
    if (!ppm_number(bytes, at, width) || !ppm_number(bytes, at, height) ||
        !ppm_number(bytes, at, maxval))
        return "truncated or damaged PPM header";
    if (width == 0 || height == 0 || maxval == 0 || maxval > 65535)
        return "PPM header has an invalid size or maximum value";
    if (uint64_t{width} * height > (uint64_t{1} << 24)) return "PPM picture is far too large";
    // Exactly one white-space byte separates the header from the samples.
    if (at >= bytes.size() || !std::isspace(bytes[at])) return "truncated or damaged PPM header";
    ++at;
    const size_t sample_bytes = maxval > 255 ? 2 : 1;
    const size_t needed = size_t{width} * height * 3 * sample_bytes;
    if (bytes.size() - at < needed)
        return "truncated PPM: " + std::to_string(bytes.size() - at) + " of " +
               std::to_string(needed) + " bytes of pixel data";
    RgbImage result(static_cast<int>(width), static_cast<int>(height));
    for (size_t i = 0; i < result.rgb.size(); ++i) {
        const uint8_t* s = bytes.data() + at + i * sample_bytes;
        const uint32_t sample = sample_bytes == 2 ? (uint32_t{s[0]} << 8 | s[1]) : s[0];
        result.rgb[i] =
            static_cast<uint8_t>(sample > maxval ? 255 : (sample * 255 + maxval / 2) / maxval);
    }
    image = std::move(result);
    return {};
}

RgbImage load_picture(const std::string& path, int width, int height) {
    const std::vector<uint8_t> bytes = read_file(path);
    static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    RgbImage image;
    std::string problem;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), png_signature, 8) == 0) {
        problem = out::read_png(path, image);
        if (!problem.empty() && !out::png_supported())
            problem += "; give a PPM (P6) picture instead";
    } else if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '6') {
        problem = parse_ppm(bytes, image);
    } else {
        problem = "not a PNG or PPM (P6) picture";
    }
    if (!problem.empty()) throw HostError("picture '" + path + "': " + problem);
    if (image.width != width || image.height != height)
        throw HostError("picture '" + path + "' is " + std::to_string(image.width) + "x" +
                        std::to_string(image.height) + "; it must be exactly " +
                        std::to_string(width) + "x" + std::to_string(height));
    return image;
}

} // namespace sim
