#include "process_runner.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sim::test {
namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

} // namespace

Process::Process(const std::vector<std::string>& argv, const ProcessOptions& options)
    : timeout_(options.timeout_seconds) {
    char out_template[] = "/tmp/sim-test-out.XXXXXX";
    char err_template[] = "/tmp/sim-test-err.XXXXXX";
    const int out_fd = ::mkstemp(out_template);
    const int err_fd = ::mkstemp(err_template);
    if (out_fd < 0 || err_fd < 0) throw std::runtime_error("cannot make output files");
    out_path_ = out_template;
    err_path_ = err_template;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out_fd, STDOUT_FILENO);
        ::dup2(err_fd, STDERR_FILENO);
        const int null_fd = ::open("/dev/null", O_RDONLY);
        ::dup2(null_fd, STDIN_FILENO);
        for (const auto& [name, value] : options.env)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out_fd);
    ::close(err_fd);
    if (pid_ < 0) throw std::runtime_error("cannot fork");
}

Process::~Process() {
    if (!waited_) {
        ::kill(pid_, SIGKILL);
        wait();
    }
    ::unlink(out_path_.c_str());
    ::unlink(err_path_.c_str());
}

ProcessResult Process::wait() {
    ProcessResult result;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.timed_out = true;
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    waited_ = true;
    result.exit_status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    result.out = read_text(out_path_);
    result.err = read_text(err_path_);
    return result;
}

ProcessResult run(const std::vector<std::string>& argv, const ProcessOptions& options) {
    Process process(argv, options);
    return process.wait();
}

std::string last_line(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n')
        t.pop_back();
    const size_t start = t.rfind('\n');
    return start == std::string::npos ? t : t.substr(start + 1);
}

TempDir::TempDir() {
    char name[] = "/tmp/sim-test.XXXXXX";
    if (::mkdtemp(name) == nullptr) throw std::runtime_error("cannot make a folder");
    path_ = name;
}

TempDir::~TempDir() {
    ::nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path_.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

} // namespace sim::test
