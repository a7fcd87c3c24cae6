// The command the simulator runs: started with the simulator's folder in its
// environment, watched without blocking, and never left running. Everything
// it leaves behind (background processes, daemons) is adopted by the
// simulator and ended with it.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sim {

class ChildProcess {
  public:
    // Makes the simulator the reaper of the command's orphans, then forks and
    // runs argv (found through PATH) with LUMENFALL_SIM_DIR=sim_dir. A command
    // that cannot be run exits with 127 (not found) or 126 after a message.
    ChildProcess(const std::vector<std::string>& argv, const std::string& sim_dir);
    // Stops the command if it still runs, then ends its leftovers.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Collects the exit status if the command has ended; true once it has.
    bool poll();
    bool exited() const { return exited_; }
    pid_t pid() const { return pid_; }
    // The exit status, or 128 + the signal number when a signal ended it.
    int exit_status() const { return exit_status_; }

    void send_signal(int signal);

    // Sends first_signal, gives the command grace_ns to exit, then kills it.
    void stop(int first_signal, int64_t grace_ns);

    // Ends and reaps every orphan adopted from the command, except the
    // processes named in keep (the simulator's own helpers).
    static void end_leftovers(const std::vector<pid_t>& keep);

    // Sends a signal to the command and everything it started, as a
    // terminal does to a whole job, except the kept processes.
    static void signal_descendants(int signal, const std::vector<pid_t>& keep);

  private:
    bool wait(int options);

    pid_t pid_ = -1;
    bool exited_ = false;
    int exit_status_ = 0;
};

// The simulator's own helper processes (video encoder), which the sweep of
// leftovers must spare.
std::vector<pid_t>& helper_processes();

} // namespace sim
