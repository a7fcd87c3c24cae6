// Writes capture records to a file through a large buffer, so recording costs
// one system call per few hundred commands rather than one per command.
#pragma once

#include "capture_format.h"
#include "texture_codec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim::capture {

class CaptureWriter {
  public:
    // Texture contents are compressed with the codec given (texture_codec.h).
    explicit CaptureWriter(Codec codec = preferred_codec()) : compressor_(codec) {}
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Creates or truncates the file. False (with error() set) when it cannot.
    bool open(const std::string& path);

    void write_command(const uint32_t* words, size_t count);
    void write_texture_hash(uint64_t hash);
    // In place of the hash, for a selection whose words are not known.
    void write_texture_unknown();
    // The texture's words, compressed (texture_codec.h).
    void write_texture_contents(uint64_t hash, uint32_t log2_width, uint32_t height,
                                const uint32_t* words);

    // Texture contents written so far: their words and their bytes in the
    // file, for the compression ratio.
    uint64_t contents_raw_bytes() const { return contents_raw_bytes_; }
    uint64_t contents_stored_bytes() const { return contents_stored_bytes_; }

    // Writes out what is buffered and closes the file; false on any error
    // seen since open, including one on an earlier write.
    bool close();

    // False once a write has failed; later records are dropped.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    void put(uint32_t word);
    void flush();
    void fail(const char* what, int err);

    int fd_ = -1;
    std::string path_;
    std::vector<uint32_t> buffer_;
    size_t used_ = 0;
    std::string error_;
    TextureCompressor compressor_;
    std::vector<uint8_t> compressed_;
    uint64_t contents_raw_bytes_ = 0;
    uint64_t contents_stored_bytes_ = 0;
};

} // namespace sim::capture
