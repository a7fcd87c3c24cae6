// The loader's command: arguments in, exit status out.
#pragma once

#include "register_bus.h"

namespace coreseed {

// Everything `coreseed` does, from its arguments to its exit status, with the
// register accesses going through the bus that `make_bus` builds.
int run(int argc, const char* const argv[], const RegisterBusFactory& make_bus);

} // namespace coreseed
