#include "image_check.h"

#include "image_header.h"

#include <algorithm>
#include <cstdio>

namespace second_core {
namespace {

// An ARM branch that is always taken: condition AL, opcode 101, no link.
constexpr uint32_t branch_mask = 0xFF000000u;
constexpr uint32_t branch_always = 0xEA000000u;

uint32_t load_le32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void store_le32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
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

// The signature of the 64-byte stand-in that earlier builds produced.
constexpr uint8_t stand_in_signature[8] = {'L', 'F', 'R', 'E', 'N', 'D', 'R', 0};

} // namespace

uint32_t image_check(const uint8_t* image, size_t size) {
    uint32_t hash = 0x811c9dc5u;
    for (size_t i = image_header_bytes; i < size; ++i)
        hash = (hash ^ image[i]) * 0x01000193u;
    return hash;
}

std::string seal_image(uint8_t* image, size_t size) {
    if (size <= image_header_bytes)
        return "it has " + std::to_string(size) + " bytes, too few for a program with a header";
    if (size > image_max_bytes)
        return "it has " + std::to_string(size) + " bytes; the second core's program must fit in " +
               std::to_string(image_max_bytes);
    if ((load_le32(image) & branch_mask) != branch_always)
        return "its first word is not a branch over the header";
    if (!std::all_of(image + 4, image + image_header_bytes, [](uint8_t b) { return b == 0; }))
        return "it leaves no blank header after its first word (sealed already?)";
    std::copy(std::begin(image_signature), std::end(image_signature),
              image + image_signature_offset);
    store_le32(image + image_version_offset, image_version);
    store_le32(image + image_size_offset, static_cast<uint32_t>(size));
    store_le32(image + image_check_offset, image_check(image, size));
    return {};
}

std::string image_problem(const uint8_t* bytes, size_t available) {
    if (available < image_header_bytes) return "there is no room for an image header";
    const size_t scan = std::min<size_t>(available, 64);
    if (std::all_of(bytes, bytes + scan, [](uint8_t b) { return b == 0; }))
        return "it is blank: nothing was loaded there";
    if (std::equal(std::begin(stand_in_signature), std::end(stand_in_signature), bytes))
        return "it holds the old 64-byte stand-in image; rebuild to get the renderer program";
    if (!std::equal(std::begin(image_signature), std::end(image_signature),
                    bytes + image_signature_offset))
        return "it starts with " + hex_bytes(bytes, image_version_offset) +
               ", not with a branch and the renderer image signature \"LFRCORE\"";
    const uint32_t version = load_le32(bytes + image_version_offset);
    if (version != image_version)
        return "it is a renderer image of version " + std::to_string(version) +
               ", and this simulator runs version " + std::to_string(image_version);
    const uint32_t size = load_le32(bytes + image_size_offset);
    if (size <= image_header_bytes || size > image_max_bytes || size > available)
        return "the renderer image there is damaged: its size word (" + std::to_string(size) +
               ") is impossible";
    if (load_le32(bytes + image_check_offset) != image_check(bytes, size))
        return "the renderer image there is damaged: its check word does not match";
    return {};
}

} // namespace second_core
