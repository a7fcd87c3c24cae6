// Runs the built loader program as a child process and collects what it did.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace loader_test {

struct ProcessResult {
    int exit_status = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

struct CoreseedRun {
    std::vector<std::string> arguments;
    std::string sim_dir; // LUMENFALL_SIM_DIR
    // Settings for the preloaded read/lseek shim; the shim is loaded only
    // when there is at least one.
    std::vector<std::pair<std::string, std::string>> shim_settings;
};

ProcessResult run_coreseed(const CoreseedRun& run);

} // namespace loader_test
