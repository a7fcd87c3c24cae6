#include "texture_codec.h"

#include "texture_codec_library.h"

#include <bit>

namespace sim::capture {
namespace {

// Words as their little-endian bytes, whatever the host's order.
void words_to_bytes(const uint32_t* words, size_t count, std::vector<uint8_t>& bytes) {
    bytes.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        bytes[4 * i] = static_cast<uint8_t>(words[i]);
        bytes[4 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
        bytes[4 * i + 2] = static_cast<uint8_t>(words[i] >> 16);
        bytes[4 * i + 3] = static_cast<uint8_t>(words[i] >> 24);
    }
}

void bytes_to_words(const uint8_t* bytes, size_t count, uint32_t* words) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* b = bytes + 4 * i;
        words[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                   static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
}

} // namespace

struct TextureCompressor::Library {
    library::Context* context = library::create_context();
    ~Library() { library::destroy_context(context); }
};

const char* codec_name(uint32_t codec) {
    switch (codec) {
    case static_cast<uint32_t>(Codec::stored):
        return "stored";
    case static_cast<uint32_t>(Codec::zstd):
        return "zstd";
    default:
        return nullptr;
    }
}

bool codec_available(Codec codec) {
    return codec == Codec::stored || library::available();
}

Codec preferred_codec() {
    return library::available() ? Codec::zstd : Codec::stored;
}

TextureCompressor::TextureCompressor(Codec codec)
    : codec_(codec_available(codec) ? codec : Codec::stored),
      library_(std::make_unique<Library>()) {}

TextureCompressor::~TextureCompressor() = default;

Codec TextureCompressor::compress(const uint32_t* words, size_t count, std::vector<uint8_t>& out) {
    out.clear();
    if (codec_ == Codec::stored) {
        words_to_bytes(words, count, out);
        return Codec::stored;
    }
    // On a little-endian host the words already are their bytes.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(words);
    if constexpr (std::endian::native != std::endian::little) {
        words_to_bytes(words, count, bytes_);
        bytes = bytes_.data();
    }
    library::compress(library_->context, bytes, count * 4, out);
    return Codec::zstd;
}

bool decompress_texture(uint32_t codec, const uint8_t* data, size_t size, uint32_t* words,
                        size_t count, std::string& error) {
    if (codec == static_cast<uint32_t>(Codec::stored)) {
        if (size != count * 4) {
            error = "stored contents of " + std::to_string(size) + " bytes where the texture has " +
                    std::to_string(count * 4);
            return false;
        }
        bytes_to_words(data, count, words);
        return true;
    }
    if (codec != static_cast<uint32_t>(Codec::zstd)) {
        error = "unknown codec " + std::to_string(codec);
        return false;
    }
    if constexpr (std::endian::native == std::endian::little)
        return library::decompress(data, size, reinterpret_cast<uint8_t*>(words), count * 4, error);
    std::vector<uint8_t> bytes(count * 4);
    if (!library::decompress(data, size, bytes.data(), bytes.size(), error)) return false;
    bytes_to_words(bytes.data(), count, words);
    return true;
}

} // namespace sim::capture
