// Compression of the texture contents a capture carries.
//
// Contents are the texture's words as little-endian bytes, compressed with
// zstd when the build has it and stored as they are otherwise. The codec is
// named in each record, so a reader knows what it needs before it starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim::capture {

enum class Codec : uint32_t {
    stored = 0,
    zstd = 1,
};

// "stored", "zstd", or nullptr for a value that names no codec.
const char* codec_name(uint32_t codec);

// Whether this build can decompress (and compress) with the codec.
bool codec_available(Codec codec);

// The codec new captures are written with: zstd, or stored in a build
// without it.
Codec preferred_codec();

// Compresses texture words; keeps its working memory from one texture to
// the next, since a capture compresses thousands of them.
class TextureCompressor {
  public:
    // Stores with the codec given when the build has it, and as they are
    // otherwise.
    explicit TextureCompressor(Codec codec = preferred_codec());
    ~TextureCompressor();
    TextureCompressor(const TextureCompressor&) = delete;
    TextureCompressor& operator=(const TextureCompressor&) = delete;

    // Replaces out with the compressed form of the words; returns the codec
    // used.
    Codec compress(const uint32_t* words, size_t count, std::vector<uint8_t>& out);

  private:
    struct Library;
    Codec codec_;
    std::unique_ptr<Library> library_;
    std::vector<uint8_t> bytes_;
};

// Decompresses exactly count words. False, with error set, when the data is
// damaged, does not hold exactly that many words, or needs a codec this
// build lacks.
bool decompress_texture(uint32_t codec, const uint8_t* data, size_t size, uint32_t* words,
                        size_t count, std::string& error);

} // namespace sim::capture
