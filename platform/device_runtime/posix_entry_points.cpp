// The C names of the runtime's POSIX calls (posix_calls.h).
#include "linux_abi.h"
#include "posix_calls.h"

#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace device_runtime;

extern "C" {

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    return posix_mmap(address, length, protection, flags, fd, offset);
}

int munmap(void* address, size_t length) {
    return posix_munmap(address, length);
}

int getpagesize() {
    return kernel_page_size;
}

int sched_yield() {
    return posix_sched_yield();
}

int nanosleep(const struct timespec* request, struct timespec* remaining) {
    return posix_nanosleep(request, remaining);
}

int clock_gettime(clockid_t clock, struct timespec* now) {
    return posix_clock_gettime(clock, now);
}

} // extern "C"
