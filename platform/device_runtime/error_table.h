// The table that ties the kernel's error numbers to the C library's errno
// values and to the messages the device's users know.
#pragma once

namespace device_runtime {

struct ErrorEntry {
    int kernel;       // the number the kernel returns, negated
    int value;        // the C library's errno value for the same error
    const char* text; // the message strerror and perror give
};

// A few kernel errors have no name in the C library; they get errno values
// from here up, past every number the library itself uses.
inline constexpr int first_unnamed_error = 2000;
constexpr int unnamed_error(int kernel) {
    return first_unnamed_error + kernel;
}

extern const ErrorEntry error_table[];
extern const unsigned error_table_size;

// The errno value for a kernel error number.
int errno_from_kernel(int kernel);

// The message for an errno value, or null when the table has none.
const char* error_message(int value);

} // namespace device_runtime
