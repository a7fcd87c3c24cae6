#include "preview.h"

#include "picture_decode.h"
#include "run_length.h"

#include <algorithm>
#include <memory>

namespace picture_tool {

namespace {

uint8_t clamp_byte(int32_t value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

bool decode_texture(const std::vector<uint8_t>& packed, uint32_t width, uint32_t colour_a,
                    uint32_t colour_b, std::vector<uint32_t>& texels, std::string& error) {
    // The unpacking reports every kind of bad data; once it passes, the
    // demo's own steps run on the same bytes.
    Bitmap unused;
    if (!unpack_picture(packed, unused, error)) return false;
    const auto table = std::make_unique<DistEntry[]>(picture_texels);
    clear_dist_table(table.get());
    decode_picture(packed.data(), packed.size(), table.get());
    run_dist_sweeps(table.get());
    run_dist_sweeps(table.get());
    texels.assign(picture_texels, 0);
    colour_picture(table.get(), width, colour_a, colour_b, texels.data());
    return true;
}

void pixel_word_to_rgb(uint32_t word, uint8_t rgb[3]) {
    // Bytes in memory order Y, U, Y, V; the word is little-endian.
    const int32_t c = static_cast<int32_t>(word & 0xFF) - 16;
    const int32_t d = static_cast<int32_t>((word >> 8) & 0xFF) - 128;
    const int32_t e = static_cast<int32_t>((word >> 24) & 0xFF) - 128;
    // BT.601 studio range back to full range, scaled by 256 and rounded.
    rgb[0] = clamp_byte((298 * c + 409 * e + 128) >> 8);
    rgb[1] = clamp_byte((298 * c - 100 * d - 208 * e + 128) >> 8);
    rgb[2] = clamp_byte((298 * c + 516 * d + 128) >> 8);
}

RgbImage texture_to_rgb(const std::vector<uint32_t>& texels) {
    RgbImage image;
    image.width = picture_side;
    image.height = picture_side;
    image.rgb.resize(texels.size() * 3);
    for (size_t i = 0; i < texels.size(); ++i)
        pixel_word_to_rgb(texels[i], &image.rgb[i * 3]);
    return image;
}

} // namespace picture_tool
