// Copies a program file into the second core's memory and restarts the core.
#pragma once

#include "register_bus.h"

#include <cstdint>

namespace coreseed {

// Runs the whole load: open and size the file, map the destination and the
// register block through the memory device, hold the core, read the file
// straight into its memory and release the core. Failures are reported on
// stderr; the result is the exit status (0 or 1).
int load_program(const char* file, uint32_t offset, const RegisterBusFactory& make_bus);

} // namespace coreseed
