/* Process entry of the handheld programs on ARM Linux.

   The kernel starts a static program at _start with the stack pointer on
   argc, followed by the argv pointers, a null, the environment pointers and
   another null. There is no dynamic loader and no C library start-up file:
   this sets up what the C library needs, runs the static constructors and
   hands main's result to exit, which flushes stdio. */
#include <stdlib.h>

extern char** environ;
extern void __libc_init_array(void);
int main(int argc, char** argv, char** envp);

/* Read by platform::program_short_name for the assertion messages. */
const char* device_runtime_program_name = "";

/* Constructors come from .init_array; the old _init/_fini hooks that the C
   library still calls are empty, and C++ static destructors belong to the
   program itself (no shared objects). */
void _init(void) {}
void _fini(void) {}
void* __dso_handle = 0;

__attribute__((noreturn, used)) void device_runtime_start(long* initial_stack) {
    int argc = (int)initial_stack[0];
    char** argv = (char**)(initial_stack + 1);
    environ = argv + argc + 1;
    if (argc > 0 && argv[0] != 0) {
        const char* name = argv[0];
        for (const char* c = argv[0]; *c != '\0'; ++c) {
            if (*c == '/') {
                name = c + 1;
            }
        }
        device_runtime_program_name = name;
    }
    __libc_init_array();
    exit(main(argc, argv, environ));
}

/* Clears the frame pointer and the link register so that nothing unwinds
   past the entry, and aligns the stack to the 8 bytes the ABI requires
   before the first call. */
__attribute__((naked, noreturn)) void _start(void) {
    __asm__ volatile("mov fp, #0\n\t"
                     "mov lr, #0\n\t"
                     "mov r0, sp\n\t"
                     "bic sp, sp, #7\n\t"
                     "bl device_runtime_start\n\t");
}
