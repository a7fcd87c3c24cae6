#include "display.h"

#include "pixel.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace renderer {

namespace {

// Converts n <= chunk pixel words into interleaved RGB. The arithmetic runs
// over planar scratch arrays first, a shape the compiler turns into vector
// code (the same formula as pixel_to_rgb()); then every four pixels leave as
// three whole words.
constexpr int chunk = 64;

static_assert(std::endian::native == std::endian::little, "RGB words are packed little-endian");

void convert_chunk(const uint32_t* src, uint8_t* dst, int n) {
    uint32_t r[chunk], g[chunk], b[chunk];
    for (int i = 0; i < n; ++i) {
        const uint32_t w = src[i];
        const int y = 298 * (static_cast<int>(w & 0xFFu) - 16) + 128;
        const int d = static_cast<int>((w >> 8) & 0xFFu) - 128;
        const int e = static_cast<int>(w >> 24) - 128;
        r[i] = static_cast<uint32_t>(std::clamp((y + 409 * e) >> 8, 0, 255));
        g[i] = static_cast<uint32_t>(std::clamp((y - 100 * d - 208 * e) >> 8, 0, 255));
        b[i] = static_cast<uint32_t>(std::clamp((y + 516 * d) >> 8, 0, 255));
    }
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t words[3] = {
            r[i] | g[i] << 8 | b[i] << 16 | r[i + 1] << 24,
            g[i + 1] | b[i + 1] << 8 | r[i + 2] << 16 | g[i + 2] << 24,
            b[i + 2] | r[i + 3] << 8 | g[i + 3] << 16 | b[i + 3] << 24,
        };
        std::memcpy(dst + 3 * i, words, sizeof words);
    }
    for (; i < n; ++i) {
        dst[3 * i] = static_cast<uint8_t>(r[i]);
        dst[3 * i + 1] = static_cast<uint8_t>(g[i]);
        dst[3 * i + 2] = static_cast<uint8_t>(b[i]);
    }
}

} // namespace

void convert_visible(const uint32_t* video, const BufferSel& buf, RgbFrame& frame) {
    frame.width = screen_width;
    frame.height = screen_height;
    const size_t bytes = static_cast<size_t>(screen_width) * screen_height * 3;
    const int columns =
        buf.valid ? static_cast<int>(std::min<uint32_t>(buf.width(), screen_width)) : 0;
    const int rows =
        buf.valid ? static_cast<int>(std::min<uint32_t>(buf.height, screen_height)) : 0;
    // Black only where the buffer does not reach: clearing the whole frame
    // first would write every byte twice.
    if (columns < screen_width || rows < screen_height || frame.rgb.size() != bytes) {
        frame.rgb.assign(bytes, 0);
    }
    for (int y = 0; y < rows; ++y) {
        const uint32_t* src = video + buf.address + (static_cast<size_t>(y) << buf.log2_width);
        uint8_t* dst = frame.rgb.data() + static_cast<size_t>(y) * screen_width * 3;
        for (int x = 0; x < columns; x += chunk) {
            convert_chunk(src + x, dst + 3 * x, std::min(chunk, columns - x));
        }
    }
}

uint64_t visible_words_digest(const uint32_t* video, const BufferSel& buf) {
    uint64_t hash = 0xcbf29ce484222325ull;
    if (!buf.valid) return hash;
    const uint32_t columns = std::min<uint32_t>(buf.width(), screen_width);
    const uint32_t rows = std::min<uint32_t>(buf.height, screen_height);
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t* src = video + buf.address + (static_cast<size_t>(y) << buf.log2_width);
        for (uint32_t x = 0; x < columns; ++x) {
            for (int byte = 0; byte < 4; ++byte) {
                hash ^= (src[x] >> (8 * byte)) & 0xFFu;
                hash *= 0x100000001b3ull;
            }
        }
    }
    return hash;
}

} // namespace renderer
