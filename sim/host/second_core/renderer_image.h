// The renderer image: what the build produces for the simulator to recognise
// as "the renderer program" when the loader puts it into the second core's
// memory. The simulated core runs no machine code; it only checks that the
// loader placed this image at the start of its memory, then starts the
// built-in renderer.
//
// Layout, 64 bytes, all words little-endian:
//
//   offset  size  field
//        0     8  signature "LFRENDR" and a zero byte
//        8     4  version (renderer_image_version)
//       12     4  image size in bytes (64)
//       16    44  description text, zero-padded
//       60     4  check: 32-bit FNV-1a of bytes 0 to 59
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

inline constexpr std::array<uint8_t, 8> renderer_image_signature = {'L', 'F', 'R', 'E',
                                                                    'N', 'D', 'R', 0};
inline constexpr uint32_t renderer_image_version = 1;
inline constexpr size_t renderer_image_bytes = 64;
inline constexpr size_t renderer_image_description_offset = 16;
inline constexpr size_t renderer_image_check_offset = 60;
inline constexpr const char* renderer_image_description = "lumenfall simulated renderer";
inline constexpr const char* renderer_image_file_name = "renderer.img";

using RendererImage = std::array<uint8_t, renderer_image_bytes>;

// The image the build writes to <build>/bin/renderer.img.
RendererImage make_renderer_image();

// Checks the bytes at the start of the second core's memory. Empty when they
// hold a renderer image this simulator runs; otherwise why not, in a few words
// fit to follow "the memory at 0x02000000 holds no renderer image".
std::string renderer_image_problem(const uint8_t* bytes);

} // namespace sim
