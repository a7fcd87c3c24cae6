#include "run_length.h"

#include "picture_decode.h"

#include <memory>

namespace picture_tool {

bool pack_picture(const Bitmap& bitmap, std::vector<uint8_t>& packed, std::string& error) {
    if (bitmap.width != packed_width || bitmap.height != packed_height) {
        error = "the image is " + std::to_string(bitmap.width) + " x " +
                std::to_string(bitmap.height) + "; a packed picture must be 255 x 256";
        return false;
    }
    packed.clear();
    for (uint32_t y = 0; y < packed_height; ++y) {
        // Every line starts with a clear run, so the first run may be empty.
        bool colour = false;
        uint32_t run = 0;
        for (uint32_t x = 0; x < packed_width; ++x) {
            if (bitmap.at(x, y) != colour) {
                packed.push_back(static_cast<uint8_t>(run));
                colour = !colour;
                run = 0;
            }
            ++run;
        }
        packed.push_back(static_cast<uint8_t>(run));
    }
    return true;
}

bool unpack_picture(const std::vector<uint8_t>& packed, Bitmap& bitmap, std::string& error) {
    const auto table = std::make_unique<DistEntry[]>(picture_texels);
    clear_dist_table(table.get());
    const PictureDecode result = decode_picture(packed.data(), packed.size(), table.get());
    const std::string where =
        "line " + std::to_string(result.line) + " (byte " + std::to_string(result.bytes_read) + ")";
    if (result.status == PictureStatus::line_overflow) {
        error = "the runs of " + where + " pass 255 pixels";
        return false;
    }
    if (result.status == PictureStatus::truncated) {
        error = "the data ends in " + where + "; a picture needs all 256 lines";
        return false;
    }
    if (result.bytes_read != packed.size()) {
        error = std::to_string(packed.size() - result.bytes_read) +
                " bytes follow the last line; the data is not one packed picture";
        return false;
    }
    // A decoded set pixel is the only entry with key 0 before any sweep.
    bitmap = make_bitmap(packed_width, packed_height);
    for (uint32_t y = 0; y < packed_height; ++y)
        for (uint32_t x = 0; x < packed_width; ++x)
            bitmap.set(x, y, dist_key(table[y * picture_side + x]) == 0);
    return true;
}

} // namespace picture_tool
