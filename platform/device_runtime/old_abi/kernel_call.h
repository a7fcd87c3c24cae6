// System calls through the old ARM Linux convention, the only one the
// handheld's stock kernel knows: the call number is encoded in the swi
// instruction itself (0x900000 + n), the arguments travel in r0 to r5 and
// the result comes back in r0.
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
    asm volatile("swi %[call]"
                 : "+r"(r0)
                 : [call] "i"(0x900000 + Number), "r"(r1), "r"(r2), "r"(r3), "r"(r4), "r"(r5)
                 : "memory");
    return r0;
}

} // namespace device_runtime
