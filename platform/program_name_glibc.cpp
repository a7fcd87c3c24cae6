// The C library of the PC keeps the short name of the program for us.
#include "program_name.h"

#include <cerrno>

namespace platform {

const char* program_short_name() {
    return program_invocation_short_name;
}

} // namespace platform
