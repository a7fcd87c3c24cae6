// System calls through the EABI convention of newer ARM Linux kernels: the
// call number goes in r7 and the instruction is always swi 0; arguments in
// r0 to r5, the result in r0.
#pragma once

namespace device_runtime {

template <long Number>
inline long kernel_call(long a0 = 0, long a1 = 0, long a2 = 0, long a3 = 0, long a4 = 0,
                        long a5 = 0) {
    register long r0 asm("r0") = a0;
    register long r1 asm("r1") = a1;
    register long r2 asm("r2") = a2;
    register long r3 asm("r3") = a3;
    register long r4 asm("r4") = a4;
    register long r5 asm("r5") = a5;
    register long r7 asm("r7") = Number;
    asm volatile("swi 0"
                 : "+r"(r0)
                 : "r"(r7), "r"(r1), "r"(r2), "r"(r3), "r"(r4), "r"(r5)
                 : "memory");
    return r0;
}

} // namespace device_runtime
