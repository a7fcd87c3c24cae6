// What the C library calls when it gives up (abort): with no system below
// the program, it stops the core at second_core_halt.
extern "C" [[noreturn]] void second_core_halt();

extern "C" void abort() {
    second_core_halt();
}
