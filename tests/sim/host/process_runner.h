// Running programs from tests: the simulator and its helpers, with their
// output collected and a time limit, so a hanging run fails instead of
// stalling the suite.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace sim::test {

struct ProcessResult {
    int exit_status = -1; // 128 + N when signal N ended it
    bool timed_out = false;
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::vector<std::pair<std::string, std::string>> env; // set in the child
    double timeout_seconds = 60;
};

// A started program whose output goes to files until it is waited for.
class Process {
  public:
    Process(const std::vector<std::string>& argv, const ProcessOptions& options = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    ProcessResult wait();

  private:
    pid_t pid_ = -1;
    std::string out_path_;
    std::string err_path_;
    double timeout_;
    bool waited_ = false;
};

ProcessResult run(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// The last line of a text, without its newline.
std::string last_line(const std::string& text);

// A private folder for one test, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    // Names in the folder, not counting "." and "..".
    std::vector<std::string> entries() const;

  private:
    std::string path_;
};

} // namespace sim::test
