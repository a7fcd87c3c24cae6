// The simulator's signal handling. Handlers only record what arrived; the
// main loop acts on it (forwarding a stop request to the child, reaping it),
// so no real work ever runs inside a handler.
#pragma once

namespace sim::signals {

// Installs the handlers for SIGINT, SIGTERM, SIGHUP (a request to stop) and
// SIGCHLD (a child changed state), and ignores SIGPIPE and SIGXFSZ so that a
// reader of an output pipe going away, or a write past a file-size limit,
// shows up as a write error instead of killing us.
void install();

// The last stop signal received since the previous call, or 0.
int take_stop_request();

// True when SIGCHLD arrived since the previous call.
bool take_child_event();

// In a forked child before exec: default dispositions and an empty mask, as
// a program started from a shell expects.
void reset_in_child();

} // namespace sim::signals
