#include "image_check.h"

#include "image_header.h"

#include <algorithm>
#include <cstdio>

namespace second_core {
namespace {

// An ARM branch that is always taken: condition AL, opcode 101, no link.
constexpr uint32_t branch_mask = 0xFF000000u;
constexpr uint32_t branch_always = 0xEA000000u;
// A branch to itself: the pipeline reads the pc 8 bytes ahead, so the
// offset is -2 words.
constexpr uint32_t branch_to_itself = 0xEAFFFFFEu;

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

// Where the always-taken branch at `at` leads.
uint32_t branch_target(uint32_t at, uint32_t word) {
    const uint32_t offset = (word & 0x00FFFFFFu) << 2;
    const uint32_t signed_offset = (offset & 0x02000000u) != 0 ? offset | 0xFC000000u : offset;
    return at + 8 + signed_offset;
}

bool is_branch(uint32_t word) {
    return (word & branch_mask) == branch_always;
}

// The signature of the 64-byte stand-in that earlier builds produced.
constexpr uint8_t stand_in_signature[8] = {'L', 'F', 'R', 'E', 'N', 'D', 'R', 0};

} // namespace

uint32_t image_check(const uint8_t* image, size_t size) {
    uint32_t hash = 0x811c9dc5u;
    for (size_t i = 0; i < size; ++i) {
        if (i >= image_check_offset && i < image_check_offset + 4) continue;
        hash = (hash ^ image[i]) * 0x01000193u;
    }
    return hash;
}

std::string seal_image(uint8_t* image, size_t size) {
    if (size <= image_code_offset)
        return "it has " + std::to_string(size) + " bytes, too few for a program with a header";
    if (size > image_max_bytes)
        return "it has " + std::to_string(size) + " bytes; the second core's program must fit in " +
               std::to_string(image_max_bytes);
    const uint32_t reset = load_le32(image);
    if (!is_branch(reset) || branch_target(0, reset) < image_code_offset ||
        branch_target(0, reset) >= size)
        return "its first word is not a branch over the header into the start code";
    for (uint32_t v = 1; v < image_vector_count; ++v) {
        const uint32_t word = load_le32(image + 4 * v);
        const uint32_t halt = image_halts_offset + 4 * (v - 1);
        if (!is_branch(word) || branch_target(4 * v, word) != halt)
            return "exception vector " + std::to_string(v) + " does not branch to its halt at " +
                   std::to_string(halt);
    }
    for (uint32_t h = 0; h < image_halt_count; ++h)
        if (load_le32(image + image_halts_offset + 4 * h) != branch_to_itself)
            return "halt " + std::to_string(h) + " is not a branch to itself";
    if (!std::all_of(image + image_signature_offset, image + image_header_end,
                     [](uint8_t b) { return b == 0; }))
        return "it leaves no blank header after its vectors (sealed already?)";
    std::copy(std::begin(image_signature), std::end(image_signature),
              image + image_signature_offset);
    store_le32(image + image_version_offset, image_version);
    store_le32(image + image_size_offset, static_cast<uint32_t>(size));
    store_le32(image + image_check_offset, image_check(image, size));
    return {};
}

bool is_version_1_image(const uint8_t* bytes, size_t available) {
    return available >= image_v1_version_offset + 4 &&
           std::equal(std::begin(image_signature), std::end(image_signature),
                      bytes + image_v1_signature_offset) &&
           load_le32(bytes + image_v1_version_offset) == 1;
}

std::string image_problem(const uint8_t* bytes, size_t available) {
    if (available < image_code_offset) return "there is no room for an image header";
    const size_t scan = std::min<size_t>(available, 64);
    if (std::all_of(bytes, bytes + scan, [](uint8_t b) { return b == 0; }))
        return "it is blank: nothing was loaded there";
    if (std::equal(std::begin(stand_in_signature), std::end(stand_in_signature), bytes))
        return "it holds the old 64-byte stand-in image; rebuild to get the renderer program";
    if (is_version_1_image(bytes, available))
        return "it holds a renderer image of version 1, whose header sits where the exception "
               "vectors belong; this simulator runs version " +
               std::to_string(image_version) + ": rebuild renderer.img";
    if (!is_branch(load_le32(bytes)) ||
        !std::equal(std::begin(image_signature), std::end(image_signature),
                    bytes + image_signature_offset))
        return "it starts with " + hex_bytes(bytes, 8) +
               ", not with exception vectors and the renderer image signature \"LFRCORE\"";
    const uint32_t version = load_le32(bytes + image_version_offset);
    if (version != image_version)
        return "it is a renderer image of version " + std::to_string(version) +
               ", and this simulator runs version " + std::to_string(image_version);
    const uint32_t size = load_le32(bytes + image_size_offset);
    if (size <= image_code_offset || size > image_max_bytes || size > available)
        return "the renderer image there is damaged: its size word (" + std::to_string(size) +
               ") is impossible";
    if (load_le32(bytes + image_check_offset) != image_check(bytes, size))
        return "the renderer image there is damaged: its check word does not match";
    return {};
}

} // namespace second_core
