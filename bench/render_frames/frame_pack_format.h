// The frame pack: chosen frames of a capture, each made self-contained, for
// replaying through the renderer alone (render-frames), on the PC or under
// an ARM emulator. Little-endian 32-bit words:
//
//   magic, version, frame count
//   per frame: frame number, texture count, command words,
//              then per texture: address, log2_width, height and its
//              height << log2_width words,
//              then the command words.
//
// A frame's commands start with the selections in force when it began (view,
// clip planes, buffers) and end with its show; its textures are every one it
// selects, to be written into video memory before the commands run.
#pragma once

#include <cstdint>

namespace bench {

inline constexpr uint32_t frame_pack_magic = 0x5052464Cu; // "LFRP"
inline constexpr uint32_t frame_pack_version = 1;

} // namespace bench
