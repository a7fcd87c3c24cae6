// The header of the second core's program image, as the loader copies it to
// the start of the second core's memory (second-core address 0, physical
// 0x02000000). The core starts at the first word, so that word is a branch
// over the header to the start code; the header follows it, so that the
// simulator and the tools can recognise the image without running it.
//
//   offset  size  field
//        0     4  ARM instruction: branch to the start code
//        4     8  signature "LFRCORE" and a zero byte
//       12     4  version (second_core_image_version)
//       16     4  image size in bytes, the whole file
//       20     4  32-bit FNV-1a of bytes 24 to size - 1 (code and data)
//
// All words little-endian. The file holds nothing beyond `size` bytes.
#pragma once

#include <cstdint>

namespace second_core {

inline constexpr uint8_t image_signature[8] = {'L', 'F', 'R', 'C', 'O', 'R', 'E', 0};
inline constexpr uint32_t image_version = 1;

inline constexpr uint32_t image_signature_offset = 4;
inline constexpr uint32_t image_version_offset = 12;
inline constexpr uint32_t image_size_offset = 16;
inline constexpr uint32_t image_check_offset = 20;
inline constexpr uint32_t image_header_bytes = 24;

// The image, its data and its stack stay below the shared area: the second
// core's first MiB.
inline constexpr uint32_t image_max_bytes = 0x00100000;

} // namespace second_core
