// A failure that ends the simulator with a message and an exit status. Thrown
// while setting up or running; every resource on the way out is released by
// its owner's destructor, so the temporary folder and the child never outlive
// an error.
#pragma once

#include <stdexcept>
#include <string>

namespace sim {

// The exit status of every failure of the simulator itself (bad options,
// unreadable inputs, unwritable outputs), as opposed to the command's own.
inline constexpr int exit_simulator_failure = 2;

class HostError : public std::runtime_error {
  public:
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

// Throws a HostError of the form "<what>: <strerror(errno)>".
[[noreturn]] void throw_errno(const std::string& what);

} // namespace sim
