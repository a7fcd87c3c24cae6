#include "capture_reader.h"

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
        kind != static_cast<uint32_t>(RecordKind::texture_hash))
        return fail("malformed capture: " + where + " has unknown kind " + std::to_string(kind));
    if (length > remaining)
        return fail("truncated capture: " + where + " needs " + std::to_string(length) +
                    " payload words, only " + std::to_string(remaining) + " remain");
    if (kind == static_cast<uint32_t>(RecordKind::command) && length == 0)
        return fail("malformed capture: " + where + " is an empty command");
    if (kind == static_cast<uint32_t>(RecordKind::texture_hash) && length != texture_hash_words)
        return fail("malformed capture: " + where + " is a texture hash of " +
                    std::to_string(length) + " words instead of 2");
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

} // namespace sim::capture
