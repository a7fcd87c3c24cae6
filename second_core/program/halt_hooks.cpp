// What the C and C++ libraries call when they give up (abort, a failed
// length check in a container): with no system below the program, each
// stops the core at second_core_halt.
#include <cstdlib>

extern "C" [[noreturn]] void second_core_halt();

extern "C" void abort() {
    second_core_halt();
}

namespace std {
void __throw_length_error(const char*) {
    second_core_halt();
}
void __throw_bad_alloc() {
    second_core_halt();
}
void __throw_bad_array_new_length() {
    second_core_halt();
}
} // namespace std
