/* Preloaded into the loader by the tests to make the file behave like a slow
 * or failing device: reads come back in short pieces, a chosen read fails,
 * or a chosen lseek fails. Each behaviour is switched on by an environment
 * variable, so one shim serves every test. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

/* ISO C has no conversion from dlsym's object pointer to a function
 * pointer; copying the bytes is the form POSIX blesses. */
#define REAL(function, name)                                                                       \
    do {                                                                                           \
        void* symbol = dlsym(RTLD_NEXT, name);                                                     \
        memcpy(&function, &symbol, sizeof function);                                               \
    } while (0)

static long setting(const char* name) {
    const char* text = getenv(name);
    return text == NULL ? 0 : strtol(text, NULL, 0);
}

/* Which lseek call fails: "end" (the sizing call) or "start" (the rewind). */
static int lseek_should_fail(int whence) {
    const char* which = getenv("LUMENFALL_TEST_FAIL_LSEEK");
    if (which == NULL) return 0;
    return (whence == SEEK_END && strcmp(which, "end") == 0) ||
           (whence == SEEK_SET && strcmp(which, "start") == 0);
}

ssize_t read(int fd, void* buffer, size_t count) {
    static long reads_done = 0;
    ssize_t (*real_read)(int, void*, size_t);
    REAL(real_read, "read");

    ++reads_done;
    if (reads_done == setting("LUMENFALL_TEST_FAIL_READ")) {
        errno = EIO;
        return -1;
    }
    const long limit = setting("LUMENFALL_TEST_READ_LIMIT");
    if (limit > 0 && count > (size_t)limit) count = (size_t)limit;
    return real_read(fd, buffer, count);
}

off_t lseek(int fd, off_t offset, int whence) {
    off_t (*real_lseek)(int, off_t, int);
    REAL(real_lseek, "lseek");
    if (lseek_should_fail(whence)) {
        errno = EIO;
        return -1;
    }
    return real_lseek(fd, offset, whence);
}

/* Programs built with 64-bit file offsets call this name instead. */
off64_t lseek64(int fd, off64_t offset, int whence) {
    off64_t (*real_lseek64)(int, off64_t, int);
    REAL(real_lseek64, "lseek64");
    if (lseek_should_fail(whence)) {
        errno = EIO;
        return -1;
    }
    return real_lseek64(fd, offset, whence);
}
