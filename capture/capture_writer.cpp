#include "capture_writer.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim::capture {
namespace {

constexpr size_t buffer_words = 1 << 16;

uint32_t to_little_endian(uint32_t word) {
    if constexpr (std::endian::native == std::endian::big) return __builtin_bswap32(word);
    return word;
}

} // namespace

CaptureWriter::~CaptureWriter() {
    if (fd_ >= 0) ::close(fd_);
}

bool CaptureWriter::open(const std::string& path) {
    path_ = path;
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        fail("cannot create", errno);
        return false;
    }
    buffer_.assign(buffer_words, 0);
    used_ = 0;
    return true;
}

void CaptureWriter::put(uint32_t word) {
    if (used_ == buffer_.size()) flush();
    buffer_[used_++] = to_little_endian(word);
}

void CaptureWriter::write_command(const uint32_t* words, size_t count) {
    if (!ok()) return;
    if (count > max_payload_words) {
        error_ = "capture '" + path_ + "': a command of " + std::to_string(count) +
                 " words does not fit in a record";
        return;
    }
    put(make_header(RecordKind::command, static_cast<uint32_t>(count)));
    for (size_t i = 0; i < count; ++i)
        put(words[i]);
}

void CaptureWriter::write_texture_hash(uint64_t hash) {
    if (!ok()) return;
    put(make_header(RecordKind::texture_hash, texture_hash_words));
    put(static_cast<uint32_t>(hash));
    put(static_cast<uint32_t>(hash >> 32));
}

void CaptureWriter::write_texture_unknown() {
    if (!ok()) return;
    put(make_header(RecordKind::texture_unknown, 0));
}

void CaptureWriter::write_texture_contents(uint64_t hash, uint32_t log2_width, uint32_t height,
                                           const uint32_t* words) {
    if (!ok()) return;
    const size_t count = static_cast<size_t>(height) << log2_width;
    const Codec codec = compressor_.compress(words, count, compressed_);
    const size_t data_words = (compressed_.size() + 3) / 4;
    if (texture_contents_header_words + data_words > max_payload_words) {
        error_ = "capture '" + path_ + "': a texture of " + std::to_string(count) +
                 " words does not fit in a record";
        return;
    }
    put(make_header(RecordKind::texture_contents,
                    static_cast<uint32_t>(texture_contents_header_words + data_words)));
    put(static_cast<uint32_t>(hash));
    put(static_cast<uint32_t>(hash >> 32));
    put(log2_width);
    put(height);
    put(static_cast<uint32_t>(codec));
    put(static_cast<uint32_t>(compressed_.size()));
    // The data's bytes packed little-endian, the last word padded with zeros.
    compressed_.resize(data_words * 4, 0);
    for (size_t i = 0; i < data_words; ++i) {
        const uint8_t* b = compressed_.data() + 4 * i;
        put(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
            static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    }
    contents_raw_bytes_ += count * 4;
    contents_stored_bytes_ += 4 * (1 + texture_contents_header_words + data_words);
}

void CaptureWriter::flush() {
    const auto* bytes = reinterpret_cast<const char*>(buffer_.data());
    size_t left = used_ * sizeof(uint32_t);
    used_ = 0;
    while (left > 0 && ok()) {
        ssize_t n = ::write(fd_, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail("cannot write", n < 0 ? errno : ENOSPC);
            return;
        }
        bytes += n;
        left -= static_cast<size_t>(n);
    }
}

bool CaptureWriter::close() {
    if (fd_ < 0) return ok();
    if (ok()) flush();
    if (::close(fd_) != 0 && ok()) fail("cannot write", errno);
    fd_ = -1;
    return ok();
}

void CaptureWriter::fail(const char* what, int err) {
    if (!ok()) return;
    error_ = std::string(what) + " capture '" + path_ + "': " + std::strerror(err);
}

} // namespace sim::capture
