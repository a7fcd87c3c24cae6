#include "error_table.h"
#include "linux_abi.h"

#include <errno.h>

namespace device_runtime {

long kernel_result(long raw) {
    if (kernel_failed(raw)) {
        errno = errno_from_kernel(static_cast<int>(-raw));
        return -1;
    }
    return raw;
}

} // namespace device_runtime
