#include "renderer_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

uint32_t load_le32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void store_le32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t fnv1a32(const uint8_t* bytes, size_t count) {
    uint32_t hash = 0x811c9dc5u;
    for (size_t i = 0; i < count; ++i)
        hash = (hash ^ bytes[i]) * 0x01000193u;
    return hash;
}

std::string hex_bytes(const uint8_t* bytes, size_t count) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += byte;
    }
    return text;
}

} // namespace

RendererImage make_renderer_image() {
    RendererImage image{};
    std::copy(renderer_image_signature.begin(), renderer_image_signature.end(), image.begin());
    store_le32(image.data() + 8, renderer_image_version);
    store_le32(image.data() + 12, renderer_image_bytes);
    std::memcpy(image.data() + renderer_image_description_offset, renderer_image_description,
                std::strlen(renderer_image_description));
    store_le32(image.data() + renderer_image_check_offset,
               fnv1a32(image.data(), renderer_image_check_offset));
    return image;
}

std::string renderer_image_problem(const uint8_t* bytes) {
    if (std::all_of(bytes, bytes + renderer_image_bytes, [](uint8_t b) { return b == 0; }))
        return "it is blank: nothing was loaded there";
    if (!std::equal(renderer_image_signature.begin(), renderer_image_signature.end(), bytes))
        return "it starts with " + hex_bytes(bytes, renderer_image_signature.size()) +
               " instead of the renderer image signature \"LFRENDR\"";
    const uint32_t version = load_le32(bytes + 8);
    if (version != renderer_image_version)
        return "it is a renderer image of version " + std::to_string(version) +
               ", and this simulator runs version " + std::to_string(renderer_image_version);
    if (load_le32(bytes + 12) != renderer_image_bytes ||
        load_le32(bytes + renderer_image_check_offset) !=
            fnv1a32(bytes, renderer_image_check_offset))
        return "the renderer image there is damaged: its check word does not match";
    return {};
}

} // namespace sim
