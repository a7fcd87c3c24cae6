// The layout of the second core's program image, as the loader copies it to
// the start of the second core's memory (second-core address 0, physical
// 0x02000000). The core starts at the first word and takes its exceptions
// at the words after it, so the image opens with the eight exception
// vectors; the header follows them, so that the simulator and the tools can
// recognise the image without running it.
//
//   offset  size  field
//        0    32  exception vectors: reset branches to the start code, each
//                 of the other seven to a halt of its own (below)
//       32     8  signature "LFRCORE" and a zero byte
//       40     4  version (image_version)
//       44     4  image size in bytes, the whole file
//       48     4  32-bit FNV-1a of every byte of the file but these four
//       52    32  the halts: eight branches to themselves, one per exception
//                 and one for the program's own stop
//       84   ...  the start code, the program, its constants and data
//
// All words little-endian. The file holds nothing beyond `size` bytes.
// Version 1 had the header in words 1 to 5, where the undefined-instruction,
// software-interrupt and abort vectors are.
#pragma once

#include <cstdint>

namespace second_core {

inline constexpr uint8_t image_signature[8] = {'L', 'F', 'R', 'C', 'O', 'R', 'E', 0};
inline constexpr uint32_t image_version = 2;

inline constexpr uint32_t image_vector_count = 8;
inline constexpr uint32_t image_signature_offset = 32;
inline constexpr uint32_t image_version_offset = 40;
inline constexpr uint32_t image_size_offset = 44;
inline constexpr uint32_t image_check_offset = 48;
inline constexpr uint32_t image_header_end = 52;
inline constexpr uint32_t image_halts_offset = 52;
inline constexpr uint32_t image_halt_count = 8;
inline constexpr uint32_t image_code_offset = image_halts_offset + 4 * image_halt_count;

// Where version 1 kept its signature and version word.
inline constexpr uint32_t image_v1_signature_offset = 4;
inline constexpr uint32_t image_v1_version_offset = 12;

// Why the core sits in halt i (at image_halts_offset + 4 i). Vector i + 1
// leads to halt i; the last halt is where the program stops by itself.
inline constexpr const char* image_halt_reasons[image_halt_count] = {
    "an undefined instruction",
    "a software interrupt",
    "a prefetch abort (an instruction fetch the protection unit refused)",
    "a data abort (a load or store the protection unit refused)",
    "the reserved vector",
    "an interrupt",
    "a fast interrupt",
    "the program's own stop (main returned or a library routine gave up)",
};

// The reason the core stopped, when pc is one of the halts; null otherwise.
inline const char* image_halt_reason(uint32_t pc) {
    if (pc < image_halts_offset || pc >= image_code_offset || pc % 4 != 0) return nullptr;
    return image_halt_reasons[(pc - image_halts_offset) / 4];
}

// The image, its data and its stack stay below the shared area: the second
// core's first MiB.
inline constexpr uint32_t image_max_bytes = 0x00100000;

} // namespace second_core
