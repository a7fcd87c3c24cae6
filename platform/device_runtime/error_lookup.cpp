#include "error_table.h"

namespace device_runtime {

int errno_from_kernel(int kernel) {
    for (unsigned i = 0; i < error_table_size; ++i) {
        if (error_table[i].kernel == kernel) {
            return error_table[i].value;
        }
    }
    // Still distinct from every named error, and strerror can name the
    // kernel's number.
    return unnamed_error(kernel);
}

const char* error_message(int value) {
    for (unsigned i = 0; i < error_table_size; ++i) {
        if (error_table[i].value == value) {
            return error_table[i].text;
        }
    }
    return nullptr;
}

} // namespace device_runtime
