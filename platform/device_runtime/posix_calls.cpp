// The POSIX calls the programs make beyond what the C library covers:
// memory mapping, the processor yield, sleeping and the clocks; and open,
// whose flags the C library numbers its own way, and the heap's growth.
#include "posix_calls.h"

#include "kernel_call.h"
#include "linux_abi.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <sys/mman.h>

namespace device_runtime {
namespace {

// The C library numbers its clocks differently from the kernel.
long kernel_clock(clockid_t clock) {
    if (clock == CLOCK_REALTIME) {
        return kernel_clock_realtime;
    }
    if (clock == CLOCK_MONOTONIC) {
        return kernel_clock_monotonic;
    }
    return -1;
}

// Translates the C library's open flags into the kernel's, or returns -1
// for a flag this runtime does not pass on (rather than dropping it).
long kernel_open_flags(int flags) {
    struct FlagPair {
        int library;
        long kernel;
    };
    static constexpr FlagPair pairs[] = {
        {O_CREAT, kernel_o_creat},         {O_EXCL, kernel_o_excl},
        {O_NOCTTY, kernel_o_noctty},       {O_TRUNC, kernel_o_trunc},
        {O_APPEND, kernel_o_append},       {O_NONBLOCK, kernel_o_nonblock},
        {O_DIRECTORY, kernel_o_directory}, {O_NOFOLLOW, kernel_o_nofollow},
        {O_CLOEXEC, kernel_o_cloexec},
    };
    long kernel = (flags & O_ACCMODE) | kernel_o_largefile;
    // fopen marks binary ("b") streams with a bit of its own that the header
    // does not name here; Linux makes no difference.
    constexpr int library_binary_flag = 0x10000;
    int left = flags & ~(O_ACCMODE | library_binary_flag);
    for (const FlagPair& pair : pairs) {
        if ((left & pair.library) != 0) {
            kernel |= pair.kernel;
            left &= ~pair.library;
        }
    }
    return left == 0 ? kernel : -1;
}

char* program_break;

} // namespace

// The heap grows through brk, which answers with the new break or, when it
// cannot move it, with the old one.
void* posix_sbrk(ptrdiff_t increment) {
    if (program_break == nullptr) {
        program_break = reinterpret_cast<char*>(kernel_call<call_brk>(0));
    }
    char* const wanted = program_break + increment;
    char* const got =
        reinterpret_cast<char*>(kernel_call<call_brk>(reinterpret_cast<long>(wanted)));
    if (got != wanted) {
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    char* const previous = program_break;
    program_break = wanted;
    return previous;
}

int posix_open(const char* path, int flags, int mode) {
    const long kernel_flags = kernel_open_flags(flags);
    if (kernel_flags < 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(
        kernel_result(kernel_call<call_open>(reinterpret_cast<long>(path), kernel_flags, mode)));
}

// mmap2 takes the offset in 4096-byte units, which reaches physical
// addresses up to 4 GiB: the offset is read as an unsigned 32-bit value,
// so the register block at 0xC0000000 maps although it does not fit a
// signed 32-bit off_t.
void* posix_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    const auto unsigned_offset = static_cast<uint32_t>(offset);
    if (unsigned_offset % kernel_page_size != 0) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    const long raw = kernel_call<call_mmap2>(reinterpret_cast<long>(address),
                                             static_cast<long>(length), protection, flags, fd,
                                             static_cast<long>(unsigned_offset / kernel_page_size));
    return reinterpret_cast<void*>(kernel_result(raw));
}

int posix_munmap(void* address, size_t length) {
    return static_cast<int>(kernel_result(
        kernel_call<call_munmap>(reinterpret_cast<long>(address), static_cast<long>(length))));
}

int posix_sched_yield() {
    return static_cast<int>(kernel_result(kernel_call<call_sched_yield>()));
}

int posix_nanosleep(const struct timespec* request, struct timespec* remaining) {
    if (request == nullptr) {
        errno = EFAULT;
        return -1;
    }
    const KernelTimespec kernel_request{static_cast<int32_t>(request->tv_sec),
                                        static_cast<int32_t>(request->tv_nsec)};
    KernelTimespec kernel_remaining{};
    const long result = kernel_result(kernel_call<call_nanosleep>(
        reinterpret_cast<long>(&kernel_request), reinterpret_cast<long>(&kernel_remaining)));
    if (result < 0 && remaining != nullptr) {
        remaining->tv_sec = kernel_remaining.seconds;
        remaining->tv_nsec = kernel_remaining.nanoseconds;
    }
    return static_cast<int>(result);
}

int posix_clock_gettime(clockid_t clock, struct timespec* now) {
    const long kernel_id = kernel_clock(clock);
    if (kernel_id < 0) {
        errno = EINVAL;
        return -1;
    }
    if (now == nullptr) {
        errno = EFAULT;
        return -1;
    }
    KernelTimespec kernel{};
    const long raw = kernel_call<call_clock_gettime>(kernel_id, reinterpret_cast<long>(&kernel));
    if (raw == -kernel_enosys) {
        // Kernels before 2.6 have no clock calls and no monotonic clock: the
        // time of day is the best either clock can get there.
        KernelTimeval day{};
        const long day_result =
            kernel_result(kernel_call<call_gettimeofday>(reinterpret_cast<long>(&day), 0));
        if (day_result < 0) {
            return -1;
        }
        now->tv_sec = day.seconds;
        now->tv_nsec = static_cast<long>(day.microseconds) * 1000;
        return 0;
    }
    if (kernel_result(raw) < 0) {
        return -1;
    }
    now->tv_sec = kernel.seconds;
    now->tv_nsec = kernel.nanoseconds;
    return 0;
}

} // namespace device_runtime
