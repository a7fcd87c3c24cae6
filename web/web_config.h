// Every constant of the web page's native side.
#pragma once

#include <cstdint>

namespace web::config {

// The demo's whole run: the first scene's frames, then the second's.
inline constexpr uint32_t scene1_frames = 1615;
inline constexpr uint32_t total_frames = 2665;

inline constexpr int screen_width = 320;
inline constexpr int screen_height = 240;
inline constexpr uint32_t rgba_frame_bytes = screen_width * screen_height * 4;

// Commands the renderer may execute in one go inside a client's wait before
// the client polls again.
inline constexpr int commands_per_wait_pause = 1024;

} // namespace web::config
