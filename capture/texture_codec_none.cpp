// A build without zstd: contents are stored uncompressed, and captures whose
// contents are compressed cannot be replayed.
#include "texture_codec_library.h"

namespace sim::capture::library {

struct Context {};

bool available() {
    return false;
}

Context* create_context() {
    return nullptr;
}

void destroy_context(Context*) {}

void compress(Context*, const uint8_t*, size_t, std::vector<uint8_t>&) {}

bool decompress(const uint8_t*, size_t, uint8_t*, size_t, std::string& error) {
    error = "the texture contents are compressed with zstd, but this program was built "
            "without it (install libzstd-dev and rebuild)";
    return false;
}

} // namespace sim::capture::library
