// The picture tool's source inputs: a PBM image (plain or raw) and packed
// data written as a C++ array. Neither may crash, read past its text or ask
// for memory out of proportion to it; what parses must survive the steps
// that follow in the tool.
//
// Input: byte 0 picks the parser (even: PBM, odd: C++ array; for the array,
// bit 1 asks for the array named "pic2" instead of the first one); the rest
// is the file's text.
#include "bitmap.h"
#include "cpp_array.h"
#include "run_length.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "picture_sources: %s\n", what);
    std::abort();
}

void fuzz_pbm(const std::string& text) {
    using namespace picture_tool;
    Bitmap bitmap;
    std::string error;
    if (!parse_pbm(text, bitmap, error)) {
        check(!error.empty(), "a refused PBM without a reason");
        return;
    }
    check(bitmap.pixels.size() == size_t{bitmap.width} * bitmap.height,
          "pixels disagree with the size");
    // What the tool does next: pack it, or write it back as plain PBM, which
    // must read back to the same pixels.
    std::vector<uint8_t> packed;
    if (pack_picture(bitmap, packed, error)) {
        Bitmap unpacked;
        check(unpack_picture(packed, unpacked, error), "a packed PBM does not unpack");
        check(unpacked.pixels == bitmap.pixels, "packing changed the PBM's pixels");
    }
    Bitmap again;
    check(parse_pbm(format_pbm(bitmap), again, error), "a written PBM does not read back");
    check(again.pixels == bitmap.pixels, "writing changed the PBM's pixels");
}

void fuzz_cpp_array(const std::string& text, const std::string& name) {
    using namespace picture_tool;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!parse_cpp_array(text, name, bytes, error)) {
        check(!error.empty(), "a refused array without a reason");
        return;
    }
    // The tool's own output reads back to the same bytes.
    std::vector<uint8_t> again;
    check(parse_cpp_array(format_cpp_array("pic", bytes, "fuzz.pbm"), "pic", again, error),
          "a written array does not read back");
    check(again == bytes, "writing changed the array");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) == 0)
        fuzz_pbm(text);
    else
        fuzz_cpp_array(text, (data[0] & 2) != 0 ? "pic2" : "");
    return 0;
}
