#include "bitmap.h"

#include <cctype>

namespace picture_tool {

namespace {

// Reads the header tokens of a PBM, which may be separated by any whitespace
// and by comments running from '#' to the end of the line.
class HeaderReader {
  public:
    explicit HeaderReader(const std::string& data) : data_(data) {}

    bool number(uint32_t& value) {
        skip_space_and_comments();
        if (pos_ == data_.size() || !std::isdigit(static_cast<unsigned char>(data_[pos_])))
            return false;
        uint64_t result = 0;
        while (pos_ < data_.size() && std::isdigit(static_cast<unsigned char>(data_[pos_]))) {
            result = result * 10 + static_cast<uint64_t>(data_[pos_++] - '0');
            if (result > 65535) return false;
        }
        value = static_cast<uint32_t>(result);
        return true;
    }

    size_t position() const { return pos_; }

  private:
    void skip_space_and_comments() {
        while (pos_ < data_.size()) {
            const char c = data_[pos_];
            if (c == '#') {
                while (pos_ < data_.size() && data_[pos_] != '\n')
                    ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else {
                return;
            }
        }
    }

    const std::string& data_;
    size_t pos_ = 2; // after the magic number
};

bool parse_plain_raster(const std::string& data, size_t pos, Bitmap& bitmap, std::string& error) {
    size_t filled = 0;
    while (filled < bitmap.pixels.size() && pos < data.size()) {
        const char c = data[pos++];
        if (c == '0' || c == '1') {
            bitmap.pixels[filled++] = c == '1' ? 1 : 0;
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            error = std::string("unexpected character '") + c + "' in the pixels";
            return false;
        }
    }
    if (filled < bitmap.pixels.size()) {
        error = "the pixels end early (" + std::to_string(filled) + " of " +
                std::to_string(bitmap.pixels.size()) + ")";
        return false;
    }
    return true;
}

bool parse_raw_raster(const std::string& data, size_t pos, Bitmap& bitmap, std::string& error) {
    // Exactly one whitespace character separates the height from the raster.
    if (pos >= data.size() || !std::isspace(static_cast<unsigned char>(data[pos]))) {
        error = "no whitespace after the header";
        return false;
    }
    ++pos;
    const size_t row_bytes = (bitmap.width + 7) / 8;
    if (data.size() - pos < row_bytes * bitmap.height) {
        error = "the pixels end early (" + std::to_string(data.size() - pos) + " of " +
                std::to_string(row_bytes * bitmap.height) + " bytes)";
        return false;
    }
    for (uint32_t y = 0; y < bitmap.height; ++y) {
        for (uint32_t x = 0; x < bitmap.width; ++x) {
            const auto byte = static_cast<uint8_t>(data[pos + y * row_bytes + x / 8]);
            bitmap.set(x, y, (byte >> (7 - x % 8)) & 1);
        }
    }
    return true;
}

} // namespace

Bitmap make_bitmap(uint32_t width, uint32_t height) {
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(size_t{width} * height, 0);
    return bitmap;
}

bool parse_pbm(const std::string& data, Bitmap& bitmap, std::string& error) {
    if (data.size() < 2 || data[0] != 'P' || (data[1] != '1' && data[1] != '4')) {
        error = "not a PBM image (expected P1 or P4)";
        return false;
    }
    HeaderReader header(data);
    uint32_t width = 0;
    uint32_t height = 0;
    if (!header.number(width) || !header.number(height) || width == 0 || height == 0) {
        error = "bad PBM header: width and height must be positive numbers";
        return false;
    }
    // The raster must be able to be there before memory is set aside for it:
    // a header of a dozen bytes may claim 65535 x 65535 pixels, 4 GiB of them.
    // A plain raster needs at least a character per pixel, a raw one its rows
    // of whole bytes.
    const uint64_t least =
        data[1] == '1' ? uint64_t{width} * height : (uint64_t{width} + 7) / 8 * height;
    const size_t available = data.size() - header.position();
    if (least > available) {
        error = "the pixels end early (" + std::to_string(available) + " bytes for " +
                std::to_string(width) + " x " + std::to_string(height) + " pixels)";
        return false;
    }
    bitmap = make_bitmap(width, height);
    if (data[1] == '1') return parse_plain_raster(data, header.position(), bitmap, error);
    return parse_raw_raster(data, header.position(), bitmap, error);
}

std::string format_pbm(const Bitmap& bitmap) {
    constexpr uint32_t digits_per_line = 64;
    std::string text =
        "P1\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n";
    for (uint32_t y = 0; y < bitmap.height; ++y) {
        for (uint32_t x = 0; x < bitmap.width; ++x) {
            text += bitmap.at(x, y) ? '1' : '0';
            if ((x + 1) % digits_per_line == 0 || x + 1 == bitmap.width) text += '\n';
        }
    }
    return text;
}

} // namespace picture_tool
