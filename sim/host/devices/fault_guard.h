// A last line of defence for the memory file. The simulator and the
// renderer work on mappings of it; if a program shrinks the file (a stray
// "> $LUMENFALL_SIM_DIR/mem" is enough), the next access to a page past the
// new end raises SIGBUS. Instead of dying with the folder left behind, the
// simulator then says what happened, kills the command, removes its device
// files and exits with status 2. Only async-signal-safe calls are used.
#pragma once

#include <string>
#include <sys/types.h>

namespace sim::fault_guard {

// Arms the guard for the simulator's folder.
void arm(const std::string& dir);
// The command to kill when the guard fires.
void watch_child(pid_t pid);

} // namespace sim::fault_guard
