// What the handheld programs need of the ARM Linux kernel interface: the
// call numbers (the same in both calling conventions) and the kernel's own
// record layouts where they differ from the C library's.
#pragma once

#include <cstdint>

namespace device_runtime {

enum LinuxCall : long {
    call_exit = 1, // exit_group does not exist on the handheld's kernel
    call_read = 3,
    call_write = 4,
    call_open = 5,
    call_close = 6,
    call_lseek = 19,
    call_getpid = 20,
    call_kill = 37,
    call_brk = 45,
    call_sigaction = 67,
    call_ioctl = 54,
    call_gettimeofday = 78,
    call_munmap = 91,
    call_fstat = 108,
    call_sched_yield = 158,
    call_nanosleep = 162,
    call_mmap2 = 192,
    call_clock_gettime = 263, // newer kernels only
};

// Kernel open flags (ARM); the C library numbers them differently.
inline constexpr long kernel_o_creat = 0100;
inline constexpr long kernel_o_excl = 0200;
inline constexpr long kernel_o_noctty = 0400;
inline constexpr long kernel_o_trunc = 01000;
inline constexpr long kernel_o_append = 02000;
inline constexpr long kernel_o_nonblock = 04000;
inline constexpr long kernel_o_directory = 040000;
inline constexpr long kernel_o_nofollow = 0100000;
// Newer kernels only; older ones ignore it.
inline constexpr long kernel_o_cloexec = 02000000;
// Files past 2 GiB (the simulator's memory file) open only with this flag.
inline constexpr long kernel_o_largefile = 0400000;

inline constexpr long kernel_tcgets = 0x5401;
inline constexpr long kernel_sigint = 2;
inline constexpr long kernel_sigterm = 15;
inline constexpr long kernel_clock_realtime = 0;
inline constexpr long kernel_clock_monotonic = 1;
inline constexpr long kernel_enosys = 38;
inline constexpr long kernel_page_size = 4096;

struct KernelTimeval {
    int32_t seconds;
    int32_t microseconds;
};

struct KernelTimespec {
    int32_t seconds;
    int32_t nanoseconds;
};

// The kernel's struct stat of the fstat call: 32-bit fields only, so its
// layout is the same under both calling conventions.
struct KernelStat {
    uint32_t dev;
    uint32_t ino;
    uint16_t mode;
    uint16_t nlink;
    uint16_t uid;
    uint16_t gid;
    uint32_t rdev;
    uint32_t size;
    uint32_t blksize;
    uint32_t blocks;
    uint32_t times[6];
    uint32_t unused[2];
};
static_assert(sizeof(KernelStat) == 64);

// The one place where a kernel result becomes a C library result: values
// from -4095 to -1 are errors, which set errno and give -1; anything else is
// returned as it is.
long kernel_result(long raw);

// True when a raw kernel result is an error number.
inline bool kernel_failed(long raw) {
    return static_cast<unsigned long>(raw) > -4096UL;
}

} // namespace device_runtime
