#include "menu_texture.h"

#include "fatal_assert.h"
#include "lumenfall.h"
#include "menu_screen.h"

#include <cstring>
#include <vector>

namespace web {

gpuBuf* grab_builtin_menu_texture() {
    // The same allocation as the demo's capture: without waiting, first.
    gpuBuf* texture = gpuAlloc(9, 512, false);
    FATAL_ASSERT(texture, "texture", "web", __LINE__, "grab_builtin_menu_texture");

    // The frame buffer's bytes are little-endian 16-bit pixels, as the
    // simulator writes them into its device file.
    const std::vector<uint8_t> bytes = sim::to_rgb565_le(sim::draw_menu_screen());
    std::vector<uint16_t> screen(menu_screen_bytes / 2);
    for (size_t i = 0; i < screen.size(); ++i)
        screen[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);

    std::vector<uint8_t> staging(menu_staging_bytes);
    fill_menu_staging(screen.data(), staging.data());
    gpuLoadImg(gpuBuf_get_loc(texture), staging.data());
    return texture;
}

} // namespace web
