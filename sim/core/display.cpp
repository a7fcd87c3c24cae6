#include "display.h"

#include "pixel.h"

#include <algorithm>

namespace sim {

void convert_visible(const uint32_t* video, const BufferSel& buf, RgbFrame& frame) {
    frame.width = screen_width;
    frame.height = screen_height;
    frame.rgb.assign(static_cast<size_t>(screen_width) * screen_height * 3, 0);
    if (!buf.valid) return;

    const int columns = static_cast<int>(std::min<uint32_t>(buf.width(), screen_width));
    const int rows = static_cast<int>(std::min<uint32_t>(buf.height, screen_height));
    for (int y = 0; y < rows; ++y) {
        const uint32_t* src = video + buf.address + (static_cast<size_t>(y) << buf.log2_width);
        uint8_t* dst = frame.rgb.data() + static_cast<size_t>(y) * screen_width * 3;
        for (int x = 0; x < columns; ++x) {
            const Rgb c = pixel_to_rgb(src[x]);
            dst[3 * x] = c.r;
            dst[3 * x + 1] = c.g;
            dst[3 * x + 2] = c.b;
        }
    }
}

} // namespace sim
