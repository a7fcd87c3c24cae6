// The simulator's main loop. Single-threaded (an emulated second core runs on
// a thread of its own): each pass watches for signals and the command's end,
// polls the second core's control registers, lets the second core work,
// displays frames at the chosen pace and feeds them to the
// outputs, and pumps the window, whose keys pause, step, speed up the run and
// take screenshots.
#pragma once

#include "capture_recorder.h"
#include "child_process.h"
#include "core_control.h"
#include "frame_sink.h"
#include "screenshots.h"
#include "second_core.h"
#include "shown_digests.h"
#include "sim_memory.h"
#include "window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class ReplayFeeder;

// A live run has a command, the memory and the control registers; a replay
// has a feeder instead, which writes a capture's commands into second_core's
// shared area, and the core runs from the start.
struct RunSetup {
    bool fast = false;
    bool progress = true;
    SimMemory* memory = nullptr;
    CoreControl* core = nullptr;
    ChildProcess* child = nullptr;
    ReplayFeeder* feeder = nullptr;
    std::vector<out::FrameSink*> sinks; // includes the window, if any
    out::Window* window = nullptr;
    const out::Screenshots* screenshots = nullptr; // where F12 saves, with a window
    CaptureRecorder* capture = nullptr;
    // The core the control registers start and stop; null: a native core
    // the loop makes itself.
    SecondCore* second_core = nullptr;
    SecondCoreKind kind = SecondCoreKind::native;
    out::ShownDigests* shown_digests = nullptr;
    uint64_t frame_limit = 0;        // end once this many frames are displayed; 0: never
    std::string renderer_image_path; // for the hint to a waiting client
};

struct RunResult {
    uint64_t frames = 0;
    int64_t nanoseconds = 0;
    uint64_t renderer_errors = 0;
    bool window_closed = false;
    bool frame_limit_reached = false;
    int stop_signal = 0; // a replay ended by this signal
    // With the cycle model (--cycles).
    bool cycles_modelled = false;
    uint64_t worst_frame_cycles = 0;
    uint64_t stale_reads = 0;
};

// Runs until the command has exited (a replay: every command is fed) and
// every frame it showed is displayed, until a stop signal has ended the
// command (a replay: result.stop_signal), or until the window is closed.
// A failing output throws HostError, after which the caller ends the command;
// result holds the counts up to then in every case.
void run_simulation(const RunSetup& setup, RunResult& result);

} // namespace sim
