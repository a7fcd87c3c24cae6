// Shared by the fault tests: the programs under test, the simulator's summary
// line, and a look at which processes of a session are still alive.
#pragma once

#include "process_runner.h"

#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace fault {

inline const std::string handheld_sim = HANDHELD_SIM_PATH;
inline const std::string lumenfall = LUMENFALL_PATH;
inline const std::string coreseed = CORESEED_PATH;
inline const std::string frame_watch = FRAME_WATCH_PATH;
inline const std::string disk_full_shim = DISK_FULL_SHIM_PATH;
inline const std::string renderer_image = RENDERER_IMAGE_PATH;

// The demo's length in frames.
inline constexpr unsigned long long demo_frames = 2665;

struct Summary {
    bool parsed = false;
    unsigned long long frames = 0;
    unsigned long long renderer_errors = 0;
    int exit_status = -1;
};

// The simulator's last line on stderr, "handheld-sim: summary: ...".
Summary parse_summary(const std::string& err);

// The number after "label " on the line of text that starts with label, or
// -1 when there is no such line.
long long reported_number(const std::string& text, const std::string& label);

// A shell word for a path.
std::string shell_word(const std::string& text);

// Processes of the session, other than zombies, as "pid (name)".
std::vector<std::string> live_processes_in_session(pid_t session);

// Waits up to `seconds` for a condition; true if it came.
bool eventually(double seconds, const auto& condition) {
    for (int i = 0; i < static_cast<int>(seconds * 100); ++i) {
        if (condition()) return true;
        ::usleep(10'000);
    }
    return condition();
}

} // namespace fault
