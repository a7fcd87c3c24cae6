#include "sim_dir.h"

#include "host_config.h"
#include "host_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

namespace sim {
namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    // Best effort: a leftover the child made read-only is still unlinked,
    // since unlink needs only the folder's permissions.
    ::remove(path);
    return 0;
}

void write_all(int fd, const uint8_t* bytes, size_t count, const std::string& path) {
    while (count > 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw_errno("cannot write '" + path + "'");
        if (n == 0) throw HostError("cannot write '" + path + "': no space left");
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

} // namespace

void remove_folder(const std::string& path) {
    ::nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

SimDir::SimDir(const std::vector<uint8_t>& fb_bytes) {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    std::string pattern = base + "/" + config::temp_dir_template;
    if (::mkdtemp(pattern.data()) == nullptr)
        throw_errno("cannot create a temporary folder in '" + base + "'");
    path_ = pattern;
    try {
        const std::string mem_path = path_ + "/" + config::mem_file_name;
        mem_fd_ = ::open(mem_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (mem_fd_ < 0) throw_errno("cannot create '" + mem_path + "'");
        if (::ftruncate(mem_fd_, static_cast<off_t>(config::mem_file_bytes)) != 0)
            throw_errno("cannot size '" + mem_path + "'");

        const std::string fb_path = path_ + "/" + config::fb_file_name;
        int fb_fd = ::open(fb_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fb_fd < 0) throw_errno("cannot create '" + fb_path + "'");
        try {
            write_all(fb_fd, fb_bytes.data(), fb_bytes.size(), fb_path);
        } catch (...) {
            ::close(fb_fd);
            throw;
        }
        if (::close(fb_fd) != 0) throw_errno("cannot write '" + fb_path + "'");
    } catch (...) {
        remove();
        throw;
    }
}

SimDir::~SimDir() {
    remove();
}

void SimDir::remove() {
    if (mem_fd_ >= 0) {
        ::close(mem_fd_);
        mem_fd_ = -1;
    }
    if (path_.empty()) return;
    // Only what lies inside the folder goes, whatever the child left there.
    remove_folder(path_);
    path_.clear();
}

} // namespace sim
