// The system-call instruction of the device runtime, replaced for host
// tests: every call goes to test_kernel, which the test defines, with the
// call number and the six argument registers. The runtime's wrappers are
// compiled unchanged against it.
#pragma once

namespace device_runtime {

long test_kernel(long number, const long (&registers)[6]);

template <long Number>
inline long kernel_call(long a0 = 0, long a1 = 0, long a2 = 0, long a3 = 0, long a4 = 0,
                        long a5 = 0) {
    const long registers[6] = {a0, a1, a2, a3, a4, a5};
    return test_kernel(Number, registers);
}

} // namespace device_runtime
