// The simulator's guardian: a small process forked at start that cleans up
// after a simulator that could not, because it was killed with SIGKILL or
// crashed.
//
// The guardian holds the read end of a pipe whose write end only the
// simulator holds (close-on-exec, so no command inherits it). However the
// simulator ends, the kernel closes that end and the guardian reads
// end-of-file. It then ends every process still running with the
// simulator's folder in its environment (the command and everything it
// started, which lost their reaper with the simulator) and removes the
// folder. After a normal end it finds nothing left to do.
//
// It runs in a process group of its own and ignores the stop signals, so
// that an interrupt at the terminal or a signal to the simulator's group
// does not take it away before it has done its job.
#pragma once

#include <string>
#include <sys/types.h>

namespace sim {

class Guardian {
  public:
    // Forks the guardian. Call it while the simulator has one thread only.
    // Throws HostError when the process cannot be made.
    Guardian();
    Guardian(const Guardian&) = delete;
    Guardian& operator=(const Guardian&) = delete;

    // Names the folder the guardian answers for, with the processes whose
    // environment points at it.
    void watch(const std::string& dir);

    pid_t pid() const { return pid_; }

  private:
    int pipe_ = -1;
    pid_t pid_ = -1;
};

// The name the guardian gives itself (seen in /proc/PID/comm). Guardians
// spare each other: one answers for a simulator run inside another.
inline constexpr const char* guardian_process_name = "sim-guardian";

} // namespace sim
