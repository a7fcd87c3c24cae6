// Recognising the renderer program: when the loader releases the second
// core, the built-in renderer starts only if the loader placed the build's
// own second-core program (second_core/image_header.h) at the start of the
// second core's memory.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

inline constexpr const char* renderer_image_file_name = "renderer.img";

// Checks the bytes at the start of the second core's memory (at least its
// first MiB readable). Empty when they hold the renderer program; otherwise
// why not, in a few words fit to follow "the memory at 0x02000000 holds no
// renderer image".
std::string renderer_image_problem(const uint8_t* bytes);

} // namespace sim
