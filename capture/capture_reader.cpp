#include "capture_reader.h"

#include "texture_codec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim::capture {

bool CaptureReader::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

bool CaptureReader::load_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return fail("cannot open '" + path + "': " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    bool read_error = std::ferror(file) != 0;
    int err = errno;
    std::fclose(file);
    if (read_error) return fail("cannot read '" + path + "': " + std::strerror(err));
    return load_bytes(bytes.data(), bytes.size());
}

bool CaptureReader::load_bytes(const uint8_t* bytes, size_t count) {
    words_.clear();
    position_ = 0;
    records_ = 0;
    error_.clear();
    if (count % 4 != 0)
        return fail("truncated capture: " + std::to_string(count) +
                    " bytes is not a whole number of 32-bit words");
    words_.resize(count / 4);
    for (size_t i = 0; i < words_.size(); ++i) {
        const uint8_t* b = bytes + 4 * i;
        words_[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                    static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
    return true;
}

bool CaptureReader::next(Record& record) {
    if (!error_.empty() || position_ >= words_.size()) return false;
    const uint32_t header = words_[position_];
    const uint32_t kind = header_kind(header);
    const uint32_t length = header_length(header);
    const std::string where =
        "record " + std::to_string(records_) + " at byte " + std::to_string(position_ * 4);
    const size_t remaining = words_.size() - position_ - 1;
    if (kind != static_cast<uint32_t>(RecordKind::command) &&
        kind != static_cast<uint32_t>(RecordKind::texture_hash) &&
        kind != static_cast<uint32_t>(RecordKind::texture_contents) &&
        kind != static_cast<uint32_t>(RecordKind::texture_unknown))
        return fail("malformed capture: " + where + " has unknown kind " + std::to_string(kind));
    if (length > remaining)
        return fail("truncated capture: " + where + " needs " + std::to_string(length) +
                    " payload words, only " + std::to_string(remaining) + " remain");
    if (kind == static_cast<uint32_t>(RecordKind::command) && length == 0)
        return fail("malformed capture: " + where + " is an empty command");
    if (kind == static_cast<uint32_t>(RecordKind::texture_hash) && length != texture_hash_words)
        return fail("malformed capture: " + where + " is a texture hash of " +
                    std::to_string(length) + " words instead of 2");
    if (kind == static_cast<uint32_t>(RecordKind::texture_unknown) && length != 0)
        return fail("malformed capture: " + where + " is an unknown texture with " +
                    std::to_string(length) + " payload words instead of none");
    if (kind == static_cast<uint32_t>(RecordKind::texture_contents) &&
        !check_contents(words_.data() + position_ + 1, length, where))
        return false;
    record.kind = static_cast<RecordKind>(kind);
    record.payload = words_.data() + position_ + 1;
    record.length = length;
    record.index = records_++;
    record.byte_offset = position_ * 4;
    position_ += 1 + length;
    return true;
}

uint64_t CaptureReader::texture_hash(const Record& record) {
    return static_cast<uint64_t>(record.payload[0]) | static_cast<uint64_t>(record.payload[1])
                                                          << 32;
}

// The structure of a kind 3 record; whether its data decompresses is for
// whoever needs the texels to find out.
bool CaptureReader::check_contents(const uint32_t* payload, uint32_t length,
                                   const std::string& where) {
    const std::string what = "malformed capture: " + where + " is texture contents ";
    if (length < texture_contents_header_words)
        return fail(what + "of " + std::to_string(length) + " words, shorter than its " +
                    std::to_string(texture_contents_header_words) + "-word header");
    const uint32_t log2_width = payload[2];
    const uint32_t height = payload[3];
    if (log2_width >= 32 || height == 0 || (uint64_t{height} << log2_width) > max_texture_words)
        return fail(what + "of an impossible size (log2_width " + std::to_string(log2_width) +
                    ", height " + std::to_string(height) + ")");
    if (codec_name(payload[4]) == nullptr)
        return fail(what + "with unknown codec " + std::to_string(payload[4]));
    const uint64_t data_words = (uint64_t{payload[5]} + 3) / 4;
    if (data_words != length - texture_contents_header_words)
        return fail(what + "of " + std::to_string(length) + " words holding " +
                    std::to_string(payload[5]) + " bytes of data");
    return true;
}

TextureContents CaptureReader::texture_contents(const Record& record) {
    const uint32_t* p = record.payload;
    return TextureContents{static_cast<uint64_t>(p[0]) | static_cast<uint64_t>(p[1]) << 32,
                           p[2],
                           p[3],
                           p[4],
                           p[5],
                           p + texture_contents_header_words};
}

std::vector<uint8_t> CaptureReader::contents_bytes(const TextureContents& contents) {
    std::vector<uint8_t> bytes(contents.data_bytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(contents.data[i / 4] >> (8 * (i % 4)));
    return bytes;
}

} // namespace sim::capture
