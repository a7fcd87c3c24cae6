#include "coreseed_process.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace loader_test {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The child's environment: ours, with the simulator folder and the shim's
// settings replacing any inherited values.
std::vector<std::string> child_environment(const CoreseedRun& run) {
    std::vector<std::string> names = {"LUMENFALL_SIM_DIR", "LD_PRELOAD", "ASAN_OPTIONS"};
    for (const auto& setting : run.shim_settings)
        names.push_back(setting.first);

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const std::string& name : names)
            replaced |= text.rfind(name + "=", 0) == 0;
        if (!replaced) environment.push_back(text);
    }
    environment.push_back("LUMENFALL_SIM_DIR=" + run.sim_dir);
    if (!run.shim_settings.empty()) {
        environment.push_back(std::string("LD_PRELOAD=") + LOADER_TEST_READ_SHIM);
        // A sanitised build wants its runtime loaded first; the shim is not
        // instrumented, so the order does not matter here.
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment.push_back(std::string("ASAN_OPTIONS=") +
                              (asan != nullptr ? std::string(asan) + ":" : std::string()) +
                              "verify_asan_link_order=0");
        for (const auto& setting : run.shim_settings) {
            environment.push_back(setting.first + "=" + setting.second);
        }
    }
    return environment;
}

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ProcessResult run_coreseed(const CoreseedRun& run) {
    const std::string out_path = run.sim_dir + "/coreseed.out";
    const std::string err_path = run.sim_dir + "/coreseed.err";

    std::vector<std::string> arguments = {LOADER_TEST_CORESEED};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> environment = child_environment(run);
    std::vector<char*> argv = pointers_to(arguments);
    std::vector<char*> envp = pointers_to(environment);

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");

    ProcessResult result;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    unlink(out_path.c_str());
    unlink(err_path.c_str());
    return result;
}

} // namespace loader_test
