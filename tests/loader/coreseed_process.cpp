#include "coreseed_process.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace loader_test {
namespace {

std::string take_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    unlink(path.c_str());
    return text.str();
}

// Runs in the child between fork and exec: the test process has one thread,
// so changing the environment there is safe.
[[noreturn]] void exec_coreseed(const CoreseedRun& run, const std::string& out_path,
                                const std::string& err_path) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);

    setenv("LUMENFALL_SIM_DIR", run.sim_dir.c_str(), 1);
    unsetenv("LD_PRELOAD");
    if (!run.shim_settings.empty()) {
        setenv("LD_PRELOAD", LOADER_TEST_READ_SHIM, 1);
        // A sanitised build wants its runtime loaded first; the shim is not
        // instrumented, so the order does not matter here.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        for (const auto& [name, value] : run.shim_settings)
            setenv(name.c_str(), value.c_str(), 1);
    }

    std::vector<char*> argv = {const_cast<char*>(LOADER_TEST_CORESEED)};
    for (const std::string& argument : run.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

} // namespace

ProcessResult run_coreseed(const CoreseedRun& run) {
    const std::string out_path = run.sim_dir + "/coreseed.out";
    const std::string err_path = run.sim_dir + "/coreseed.err";

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) exec_coreseed(run, out_path, err_path);

    int status = 0;
    if (waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");
    ProcessResult result;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = take_file(out_path);
    result.err = take_file(err_path);
    return result;
}

} // namespace loader_test
