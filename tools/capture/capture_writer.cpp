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
