// strerror and perror with the messages of the error table, in place of the
// C library's own texts.
#include "error_table.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

using namespace device_runtime;

extern "C" {

char* strerror(int value) {
    if (const char* text = error_message(value)) {
        return const_cast<char*>(text);
    }
    // Kernel errors without a name are reported by the kernel's number.
    const bool from_kernel = value > first_unnamed_error && value < first_unnamed_error + 4096;
    const int shown = from_kernel ? value - first_unnamed_error : value;
    static char unknown[32];
    snprintf(unknown, sizeof unknown, "Unknown error %d", shown);
    return unknown;
}

void perror(const char* prefix) {
    const char* text = strerror(errno);
    if (prefix != nullptr && *prefix != '\0') {
        fprintf(stderr, "%s: %s\n", prefix, text);
    } else {
        fprintf(stderr, "%s\n", text);
    }
}

} // extern "C"
