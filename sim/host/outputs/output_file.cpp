#include "output_file.h"

#include "host_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim::out {

OutputFile::OutputFile(const std::string& path, const std::string& what)
    : what_(what + " '" + path + "'") {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw_errno("cannot create " + what_);
}

OutputFile::OutputFile(int fd, const std::string& what) : fd_(fd), what_(what) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::write(const void* bytes, size_t count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = ::write(fd_, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw_errno("cannot write " + what_);
        if (n == 0) throw HostError("cannot write " + what_ + ": no space left");
        p += n;
        count -= static_cast<size_t>(n);
    }
}

void OutputFile::close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw_errno("cannot write " + what_);
}

} // namespace sim::out
