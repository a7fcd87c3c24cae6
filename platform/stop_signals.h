// Stopping a program that loops until it is told to: SIGTERM and SIGINT
// set a flag the loop reads, so that it finishes its step and returns
// instead of dying in the middle of it. Each platform provides it from a
// file of its own chosen by the build.
#pragma once

namespace platform {

// Installs the handlers; false when the system refused them.
bool catch_stop_signals();

// True once SIGTERM or SIGINT has arrived.
bool stop_requested();

// True once a second one has: the program is to stop where it is, without
// finishing the work it had left.
bool stop_repeated();

} // namespace platform
