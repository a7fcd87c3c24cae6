#include "program_name.h"

extern "C" const char* device_runtime_program_name;

namespace platform {

const char* program_short_name() {
    return device_runtime_program_name;
}

} // namespace platform
