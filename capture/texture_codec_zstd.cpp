// Texture contents compressed with zstd. A low level is enough: the textures
// a demo builds are mostly flat runs, and capture must stay cheap.
#include "texture_codec_library.h"

#include <new>
#include <zstd.h>

namespace sim::capture::library {
namespace {

constexpr int compression_level = 1;

} // namespace

struct Context {
    ZSTD_CCtx* zstd = ZSTD_createCCtx();
};

bool available() {
    return true;
}

Context* create_context() {
    return new Context;
}

void destroy_context(Context* context) {
    if (context == nullptr) return;
    ZSTD_freeCCtx(context->zstd);
    delete context;
}

void compress(Context* context, const uint8_t* bytes, size_t size, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    out.resize(start + ZSTD_compressBound(size));
    const size_t n = ZSTD_compressCCtx(context->zstd, out.data() + start, out.size() - start,
                                       bytes, size, compression_level);
    // Compressing into a buffer of the bound's size cannot fail short of
    // running out of memory, which the library reports as an error code.
    if (ZSTD_isError(n)) throw std::bad_alloc();
    out.resize(start + n);
}

bool decompress(const uint8_t* data, size_t data_size, uint8_t* bytes, size_t size,
                std::string& error) {
    // The frame names its own size; checking it first keeps a damaged record
    // from making the library fill a buffer of the wrong size.
    const unsigned long long declared = ZSTD_getFrameContentSize(data, data_size);
    if (declared == ZSTD_CONTENTSIZE_ERROR || declared == ZSTD_CONTENTSIZE_UNKNOWN) {
        error = "damaged zstd data";
        return false;
    }
    if (declared != size) {
        error = "zstd data of " + std::to_string(declared) + " bytes where the texture has " +
                std::to_string(size);
        return false;
    }
    const size_t n = ZSTD_decompress(bytes, size, data, data_size);
    if (ZSTD_isError(n)) {
        error = std::string("damaged zstd data: ") + ZSTD_getErrorName(n);
        return false;
    }
    if (n != size) {
        error = "zstd data of " + std::to_string(n) + " bytes where the texture has " +
                std::to_string(size);
        return false;
    }
    return true;
}

} // namespace sim::capture::library
