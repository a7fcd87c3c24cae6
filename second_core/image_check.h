// Recognising and sealing the second core's program image (image_header.h):
// the build seals the flat program into renderer.img, and the simulator
// checks what the loader put at the start of the second core's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace second_core {

// 32-bit FNV-1a of every byte of the image's `size` but the check word.
uint32_t image_check(const uint8_t* image, size_t size);

// Fills in the header of a flat program of `size` bytes whose start code
// opens with the eight vectors, leaves the header blank and puts the halts
// after it, every vector but reset branching to its own halt. Empty on
// success, otherwise why the bytes are no such program.
std::string seal_image(uint8_t* image, size_t size);

// Checks the bytes at the start of the second core's memory (`available`
// of them readable). Empty when they hold a sealed image; otherwise why
// not, in a few words fit to follow "the memory at 0x02000000 holds no
// renderer image".
std::string image_problem(const uint8_t* bytes, size_t available);

// True when the bytes start with a renderer image of the first version,
// whose header sat in the exception vectors.
bool is_version_1_image(const uint8_t* bytes, size_t available);

} // namespace second_core
