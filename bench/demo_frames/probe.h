// Marks the pieces of work whose instructions are counted. Each build picks
// one implementation: client requests to callgrind on the PC, plain marker
// calls whose addresses an emulator trace recognises on ARM. Outside a
// counting tool both cost a handful of instructions per piece.
#pragma once

namespace bench {

// Starts counting the piece called label; pieces never nest.
void probe_begin(const char* label);

// Stops counting and closes the piece begun last.
void probe_end(const char* label);

} // namespace bench
