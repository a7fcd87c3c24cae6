// Loading RGB pictures into video memory as pixel words.
#include "gpu.h"

#include "buffer_shape.h"

namespace {

// Studio-range luma and chroma from 8-bit RGB with the integer BT.601
// coefficients. The right shifts act on signed values and round towards
// minus infinity, which the chroma sums rely on when they are negative.
uint32_t pixel_word(int32_t r, int32_t g, int32_t b) {
    const int32_t y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int32_t u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int32_t v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    // Bytes Y, U, Y, V in memory order: the luma twice, then the chroma pair.
    return static_cast<uint32_t>(y) | static_cast<uint32_t>(u) << 8 |
           static_cast<uint32_t>(y) << 16 | static_cast<uint32_t>(v) << 24;
}

} // namespace

gpuResult gpuLoadImg(const gpuBufLoc* loc, const uint8_t* rgb) {
    const uint64_t texels = gpu_mm::buffer_words(loc->log2_width, loc->height);
    if (texels == 0) return gpuOK;
    // Every location the buffer manager hands out lies inside video memory;
    // any other one is refused rather than written past the mapping.
    if (loc->address + texels > gpu_video_words) return gpuBadParam;

    uint32_t* words = gpu_buffer_words(loc);
    for (uint32_t i = 0; i < texels; ++i) {
        const uint8_t* texel = rgb + 3 * static_cast<size_t>(i);
        words[i] = pixel_word(texel[0], texel[1], texel[2]);
    }
    return gpuOK;
}
