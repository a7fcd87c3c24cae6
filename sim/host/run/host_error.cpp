#include "host_error.h"

#include <cerrno>
#include <cstring>

namespace sim {

void throw_errno(const std::string& what) {
    throw HostError(what + ": " + std::strerror(errno));
}

} // namespace sim
