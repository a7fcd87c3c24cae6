// A replay on the emulated second core: the renderer's own program runs on
// the emulated ARMv4T core over a fresh memory file, loaded and released as
// the loader does it, and draws the capture's commands as the built-in
// renderer would.
#pragma once

#include "capture_replay.h"
#include "cycle_model/memory_timing.h"
#include "guardian.h"
#include "simulator.h"

#include <string>

namespace sim {

struct EmulatedReplaySetup {
    std::string program;      // the renderer image to load at 0x02000000
    std::string instructions; // --instructions, or empty
    std::string cycles;       // --cycles, or empty
    // The memory timing of the cycle model, with cycles.
    const cycles::MemoryTiming* memory_timing = nullptr;
    Guardian* guardian = nullptr; // removes the memory file's folder if we are killed
};

// run holds the outputs and pacing; its memory, control and core are filled
// in here, and result gains the cycle model's totals when it runs. Throws
// HostError when the program cannot be read or is not the renderer, when the
// build has no emulator, or when the program faults.
void run_emulated_replay(const capture::CaptureReplay& capture, RunSetup run,
                         const EmulatedReplaySetup& setup, RunResult& result);

} // namespace sim
