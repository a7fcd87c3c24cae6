// The screen as it was when the demo started, captured from the frame
// buffer device into a 512 x 512 texture for one face of the cube.
#include "device_paths.h"
#include "lumenfall.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int screen_width = 320;
constexpr int screen_height = 240;
constexpr int image_size = 512;
// Where the screen's top-left pixel lands in the image.
constexpr int left_margin = 96;
constexpr int top_margin = 136;

// Image coordinate to screen coordinate: inside the centred screen one to
// one, outside it the nearest border pixel.
int clamp_to_screen(int image_coord, int margin, int screen_extent) {
    const int c = image_coord - margin;
    if (c < 0) return 0;
    if (c >= screen_extent) return screen_extent - 1;
    return c;
}

} // namespace

// Each channel's bits go to the top of its byte; the low bits stay 0.
void fill_menu_staging(const uint16_t* screen, uint8_t* staging) {
    for (int y = image_size - 1; y >= 0; --y) {
        const int r = clamp_to_screen(y, top_margin, screen_height);
        for (int x = image_size - 1; x >= 0; --x) {
            const int c = clamp_to_screen(x, left_margin, screen_width);
            const uint32_t p = screen[r * screen_width + c];
            uint8_t* texel = staging + 3 * (image_size * y + x);
            texel[0] = static_cast<uint8_t>((p >> 11) << 3);
            texel[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) << 2);
            texel[2] = static_cast<uint8_t>((p & 0x1F) << 3);
        }
    }
}

gpuBuf* grab_menu_texture() {
    // Allocated first and without waiting, so a full video memory fails
    // before the device is touched.
    gpuBuf* menu_texture = gpuAlloc(9, image_size, false);
    DEMO_ASSERT(menu_texture, "menu_texture", 38, "grab_menu_texture");

    const int fbdev = open(platform::fb_device_path(), O_RDONLY);
    DEMO_ASSERT(fbdev != -1, "fbdev != -1", 41, "grab_menu_texture");
    // The visible screen is assumed to be the first 153600 bytes, 320 x 240
    // pixels of RGB 5:6:5; the device is not asked for its geometry.
    void* menupic = mmap(nullptr, menu_screen_bytes, PROT_READ, MAP_SHARED, fbdev, 0);
    DEMO_ASSERT(menupic != MAP_FAILED, "menupic != ((void *) -1)", 44, "grab_menu_texture");

    auto* staging = static_cast<uint8_t*>(std::malloc(menu_staging_bytes));
    DEMO_ASSERT(staging, "staging", 47, "grab_menu_texture");

    fill_menu_staging(static_cast<const uint16_t*>(menupic), staging);
    munmap(menupic, menu_screen_bytes);
    close(fbdev);

    DEMO_ASSERT(gpuLoadImg(gpuBuf_get_loc(menu_texture), staging) == gpuOK, "0", 69,
                "grab_menu_texture");
    std::free(staging);
    return menu_texture;
}
