// Replays a capture without the program that made it: the renderer (built in,
// or its own program on the emulated core) draws
// the recorded commands from a private shared area, at the recorded pace (60
// displayed frames a second) or in fast mode, into the usual outputs. It is
// the live run's loop, with its keys and title, fed from the capture.
#pragma once

#include "capture_recorder.h"
#include "capture_replay.h"
#include "emulated_replay.h"
#include "frame_sink.h"
#include "screenshots.h"
#include "shown_digests.h"
#include "simulator.h"
#include "window.h"

#include <vector>

namespace sim {

struct ReplaySetup {
    bool fast = false;
    bool progress = true;
    std::vector<out::FrameSink*> sinks; // includes the window, if any
    out::Window* window = nullptr;
    CaptureRecorder* capture = nullptr;            // a capture of the replay itself
    const out::Screenshots* screenshots = nullptr; // where F12 saves, with a window
    out::ShownDigests* shown_digests = nullptr;
    uint64_t frame_limit = 0;
    // The emulated core runs the renderer's program; the native one needs
    // none of emulated.
    SecondCoreKind second_core = SecondCoreKind::native;
    EmulatedReplaySetup emulated;
};

// Runs until every recorded command has been executed and every shown
// buffer displayed, until a stop signal (result.stop_signal), or until the
// window is closed. Throws HostError on a failing output or damaged texture
// contents; result holds the counts up to then in every case.
void run_replay(const capture::CaptureReplay& capture, const ReplaySetup& setup, RunResult& result);

} // namespace sim
