// The menu screen texture of the first scene's capture face, made without a
// frame buffer device: the simulator's built-in menu screen goes through the
// same conversion the demo applies to the device's pixels.
#pragma once

#include "gpu.h"

namespace web {

// A new 512 x 512 texture holding the built-in menu screen as the demo's
// capture would; the caller owns it.
gpuBuf* grab_builtin_menu_texture();

} // namespace web
