// The packed picture decoder through the picture tool's length-checked entry:
// any bytes, and above all truncated ones, must give an error and never a
// read past the end. Whatever decodes must also survive the demo's further
// steps (sweeps and colouring) and pack back to the same picture.
#include "preview.h"
#include "run_length.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "packed_picture: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace picture_tool;
    // An exact-size copy: one byte read past the end is a heap overflow.
    const std::vector<uint8_t> packed(data, data + size);
    Bitmap bitmap;
    std::string error;
    if (!unpack_picture(packed, bitmap, error)) {
        check(!error.empty(), "a refused picture without a reason");
        return 0;
    }
    check(bitmap.width == packed_width && bitmap.height == packed_height,
          "an unpacked picture of the wrong size");

    // Packing what was unpacked must give data that unpacks to the same
    // pixels (the bytes may differ: the input may hold runs of 0).
    std::vector<uint8_t> repacked;
    check(pack_picture(bitmap, repacked, error), "an unpacked picture does not pack");
    Bitmap again;
    check(unpack_picture(repacked, again, error), "a packed picture does not unpack");
    check(again.pixels == bitmap.pixels, "packing changed the pixels");

    // The widths of the built-in pictures and one whose products wrap.
    static const uint32_t widths[] = {10, 18, 24, 0x20000001};
    std::vector<uint32_t> texels;
    check(decode_texture(packed, widths[size % 4], 0x81a977a9, 0x67899d89, texels, error),
          "a picture that unpacks does not decode");
    check(texels.size() == 256 * 256, "a texture of the wrong size");
    return 0;
}
