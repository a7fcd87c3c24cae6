/* Preloaded into the demo for reference runs: time() answers the value of
 * LUMENFALL_FIXED_TIME, so the random seed the demo takes from the clock is
 * one the test chose. Without the variable the real clock answers. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

time_t time(time_t* result) {
    const char* fixed = getenv("LUMENFALL_FIXED_TIME");
    time_t now;
    if (fixed != NULL && *fixed != '\0') {
        now = (time_t)strtoll(fixed, NULL, 10);
    } else {
        /* The object-to-function pointer copy that ISO C leaves to POSIX. */
        time_t (*real_time)(time_t*) = NULL;
        void* symbol = dlsym(RTLD_NEXT, "time");
        memcpy(&real_time, &symbol, sizeof real_time);
        now = real_time != NULL ? real_time(NULL) : (time_t)-1;
    }
    if (result != NULL) *result = now;
    return now;
}
