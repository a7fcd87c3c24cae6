// The POSIX calls the programs make beyond what the C library covers, as
// plain functions of the runtime: posix_entry_points.cpp gives them their C
// names on the device, and a host test runs these same bodies against a
// kernel of its own.
#pragma once

#include <stddef.h>
#include <sys/types.h>
#include <time.h>

namespace device_runtime {

// open with the C library's flags, always with large-file support.
int posix_open(const char* path, int flags, int mode);

// The C library's heap growth: the old break, or (void*)-1 with ENOMEM when
// the kernel keeps the break where it was.
void* posix_sbrk(ptrdiff_t increment);

void* posix_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int posix_munmap(void* address, size_t length);
int posix_sched_yield();
int posix_nanosleep(const struct timespec* request, struct timespec* remaining);
int posix_clock_gettime(clockid_t clock, struct timespec* now);

} // namespace device_runtime
