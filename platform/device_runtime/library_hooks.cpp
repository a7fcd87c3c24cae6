// The system hooks the C library calls underneath stdio, malloc, time and
// abort, each a thin wrapper over one Linux call.
#include "kernel_call.h"
#include "linux_abi.h"
#include "posix_calls.h"

#include <errno.h>
#include <reent.h>
#include <sys/stat.h>
#include <sys/time.h>

using namespace device_runtime;

extern "C" {

_ssize_t _read(int fd, void* buffer, size_t count) {
    return kernel_result(
        kernel_call<call_read>(fd, reinterpret_cast<long>(buffer), static_cast<long>(count)));
}

_ssize_t _write(int fd, const void* buffer, size_t count) {
    return kernel_result(
        kernel_call<call_write>(fd, reinterpret_cast<long>(buffer), static_cast<long>(count)));
}

int _open(const char* path, int flags, int mode) {
    return posix_open(path, flags, mode);
}

int _close(int fd) {
    return static_cast<int>(kernel_result(kernel_call<call_close>(fd)));
}

off_t _lseek(int fd, off_t offset, int whence) {
    return kernel_result(kernel_call<call_lseek>(fd, offset, whence));
}

int _fstat(int fd, struct stat* status) {
    KernelStat kernel{};
    const long result = kernel_result(kernel_call<call_fstat>(fd, reinterpret_cast<long>(&kernel)));
    if (result < 0) {
        return -1;
    }
    // Only what stdio looks at: the file type, the size, the block size.
    *status = {};
    status->st_mode = kernel.mode;
    status->st_nlink = kernel.nlink;
    status->st_size = static_cast<off_t>(kernel.size);
    status->st_blksize = static_cast<blksize_t>(kernel.blksize);
    status->st_blocks = static_cast<blkcnt_t>(kernel.blocks);
    return 0;
}

int _isatty(int fd) {
    // Only a terminal answers the request for its settings.
    uint32_t settings[16];
    const long raw = kernel_call<call_ioctl>(fd, kernel_tcgets, reinterpret_cast<long>(settings));
    if (kernel_failed(raw)) {
        kernel_result(raw);
        return 0;
    }
    return 1;
}

void* _sbrk(ptrdiff_t increment) {
    return posix_sbrk(increment);
}

[[noreturn]] void _exit(int status) {
    for (;;) {
        kernel_call<call_exit>(status);
    }
}

int _kill(int pid, int signal) {
    return static_cast<int>(kernel_result(kernel_call<call_kill>(pid, signal)));
}

int _getpid() {
    return static_cast<int>(kernel_call<call_getpid>());
}

int _gettimeofday(struct timeval* now, void*) {
    KernelTimeval kernel{};
    const long result =
        kernel_result(kernel_call<call_gettimeofday>(reinterpret_cast<long>(&kernel), 0));
    if (result < 0) {
        return -1;
    }
    if (now != nullptr) {
        now->tv_sec = kernel.seconds;
        now->tv_usec = kernel.microseconds;
    }
    return 0;
}

} // extern "C"
