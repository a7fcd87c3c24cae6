// Reads a capture file back as a sequence of checked records.
//
// Every structural fault (a partial word at the end, a payload running past
// the end, an unknown kind, a record of the wrong length) stops the reading
// with a message that names the record and its byte offset; nothing is read
// past the data that was loaded.
#pragma once

#include "capture_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim::capture {

struct Record {
    RecordKind kind;
    const uint32_t* payload; // points into the reader's words
    uint32_t length;         // payload words
    size_t index;            // record number, from 0
    size_t byte_offset;      // of the header word
};

// The fields of a kind 3 record; data points into the reader's words, as
// data_bytes bytes packed little-endian into words.
struct TextureContents {
    uint64_t hash;
    uint32_t log2_width;
    uint32_t height;
    uint32_t codec;
    uint32_t data_bytes;
    const uint32_t* data;

    uint64_t words() const { return uint64_t{height} << log2_width; }
};

class CaptureReader {
  public:
    // Loads the whole file. False (with error() set) when it cannot be read
    // or is not a whole number of words.
    bool load_file(const std::string& path);
    // The same for bytes already in memory.
    bool load_bytes(const uint8_t* bytes, size_t count);

    // The next record; false at the end (error() empty) or on a fault.
    bool next(Record& record);

    const std::string& error() const { return error_; }

    // The 64-bit texture hash carried by a kind 2 record.
    static uint64_t texture_hash(const Record& record);
    // The fields of a kind 3 record.
    static TextureContents texture_contents(const Record& record);
    // Its compressed data as bytes.
    static std::vector<uint8_t> contents_bytes(const TextureContents& contents);

  private:
    bool fail(const std::string& message);
    bool check_contents(const uint32_t* payload, uint32_t length, const std::string& where);

    std::vector<uint32_t> words_;
    size_t position_ = 0; // in words
    size_t records_ = 0;
    std::string error_;
};

} // namespace sim::capture
