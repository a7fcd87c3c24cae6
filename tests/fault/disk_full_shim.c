/* Preloaded into handheld-sim by the fault tests to fill the disk under the
 * video in the middle of a run: once LUMENFALL_TEST_VIDEO_ROOM bytes have gone
 * to files whose names end in ".y4m", a write is cut short at the limit and
 * the next one fails with ENOSPC, as on a full disk. Every other write passes
 * through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static long long room = -1;

__attribute__((constructor)) static void read_settings(void) {
    const char* text = getenv("LUMENFALL_TEST_VIDEO_ROOM");
    if (text != NULL) room = strtoll(text, NULL, 0);
    /* Only the simulator fills the disk; the programs it runs see none of it. */
    unsetenv("LD_PRELOAD");
}

static int is_video(int fd) {
    char link[64];
    char target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 4) return 0;
    target[n] = '\0';
    return strcmp(target + n - 4, ".y4m") == 0;
}

ssize_t write(int fd, const void* buffer, size_t count) {
    ssize_t (*real_write)(int, const void*, size_t);
    /* ISO C has no conversion from dlsym's object pointer to a function
     * pointer; copying the bytes is the form POSIX blesses. */
    void* symbol = dlsym(RTLD_NEXT, "write");
    memcpy(&real_write, &symbol, sizeof real_write);
    if (room < 0 || !is_video(fd)) return real_write(fd, buffer, count);
    if (room == 0) {
        errno = ENOSPC;
        return -1;
    }
    if ((long long)count > room) count = (size_t)room;
    const ssize_t n = real_write(fd, buffer, count);
    if (n > 0) room -= n;
    return n;
}
