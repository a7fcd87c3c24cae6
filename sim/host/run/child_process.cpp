#include "child_process.h"

#include "host_clock.h"
#include "host_config.h"
#include "host_error.h"
#include "signals.h"

#include "device_paths.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sim {
namespace {

int decode_status(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

void write_text(const char* text) {
    ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

} // namespace

std::vector<pid_t>& helper_processes() {
    static std::vector<pid_t> pids;
    return pids;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& sim_dir) {
    // Orphans of the command become ours instead of init's, so that none can
    // outlive the run unnoticed.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);

    // Everything the child needs is prepared before fork: after it, the child
    // only calls functions that are safe in a copy of a threaded process.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string variable = std::string(platform::sim_dir_variable) + "=" + sim_dir;
    const std::string prefix = std::string(platform::sim_dir_variable) + "=";
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.push_back(*e);
    env.push_back(const_cast<char*>(variable.c_str()));
    env.push_back(nullptr);
    const std::string message = "handheld-sim: cannot run '" + argv[0] + "': ";
    const pid_t parent = ::getpid();

    pid_t pid = ::fork();
    if (pid < 0) throw_errno("cannot start '" + argv[0] + "'");
    if (pid == 0) {
        signals::reset_in_child();
        // The command dies with the simulator, even when the simulator itself
        // is killed without a chance to clean up.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(128 + SIGKILL);
        ::execvpe(args[0], args.data(), env.data());
        const int err = errno;
        write_text(message.c_str());
        write_text(std::strerror(err));
        write_text("\n");
        ::_exit(err == ENOENT ? 127 : 126);
    }
    pid_ = pid;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exited_) stop(SIGTERM, config::child_stop_grace_ns);
    end_leftovers(helper_processes());
}

bool ChildProcess::wait(int options) {
    if (exited_) return true;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, options);
    } while (r < 0 && errno == EINTR);
    if (r != pid_) return false;
    exited_ = true;
    exit_status_ = decode_status(status);
    return true;
}

bool ChildProcess::poll() {
    return wait(WNOHANG);
}

void ChildProcess::send_signal(int signal) {
    if (!exited_) ::kill(pid_, signal);
}

void ChildProcess::stop(int first_signal, int64_t grace_ns) {
    if (poll()) return;
    send_signal(first_signal);
    const int64_t deadline = monotonic_ns() + grace_ns;
    while (!poll() && monotonic_ns() < deadline)
        sleep_ns(5'000'000);
    if (!exited_) {
        send_signal(SIGKILL);
        wait(0);
    }
}

} // namespace sim
