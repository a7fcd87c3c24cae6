#include "guardian.h"

#include "host_clock.h"
#include "host_error.h"
#include "sim_dir.h"

#include "device_paths.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace sim {
namespace {

// The whole of a small /proc file; empty when it cannot be read (the process
// has gone, or belongs to someone else).
std::string read_proc_file(pid_t pid, const char* leaf) {
    const std::string path = "/proc/" + std::to_string(pid) + "/" + leaf;
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) text.append(chunk, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

// Whether one of the zero-terminated entries of an environment is exactly
// `entry`.
bool environment_holds(const std::string& environment, const std::string& entry) {
    size_t start = 0;
    while (start < environment.size()) {
        size_t end = environment.find('\0', start);
        if (end == std::string::npos) end = environment.size();
        if (environment.compare(start, end - start, entry) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Kills every process whose environment names the folder, except guardians.
// Each round may find processes forked during the previous one; a process
// already killed but not yet gone is simply killed again.
void end_processes_of(const std::string& dir) {
    const std::string entry = std::string(platform::sim_dir_variable) + "=" + dir;
    const std::string guardian_comm = std::string(guardian_process_name) + "\n";
    const pid_t self = ::getpid();
    for (int round = 0; round < 100; ++round) {
        int found = 0;
        DIR* proc = ::opendir("/proc");
        if (proc == nullptr) return;
        while (const dirent* e = ::readdir(proc)) {
            char* end;
            const long number = std::strtol(e->d_name, &end, 10);
            const pid_t pid = static_cast<pid_t>(number);
            if (*end != '\0' || number <= 0 || pid == self) continue;
            if (!environment_holds(read_proc_file(pid, "environ"), entry)) continue;
            if (read_proc_file(pid, "comm") == guardian_comm) continue;
            ::kill(pid, SIGKILL);
            ++found;
        }
        ::closedir(proc);
        if (found == 0) return;
        sleep_ns(10'000'000);
    }
}

[[noreturn]] void guard(int read_end) {
    // Out of the simulator's group and deaf to the stop signals: those are
    // for the simulator and its command, and the guardian must outlive them.
    ::setpgid(0, 0);
    ::prctl(PR_SET_NAME, guardian_process_name);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        std::signal(s, SIG_IGN);
    // Holding nothing the simulator's caller waits for: no terminal, no
    // output pipe, no working folder.
    if (::chdir("/") != 0) ::_exit(1);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        if (fd != read_end) ::dup2(null, fd);
    const int pipe_fd = read_end < 3 ? read_end : ::dup2(read_end, 3);
    ::close_range(pipe_fd == 3 ? 4 : 3, ~0u, 0);

    // First the folder's name, then nothing until the simulator ends.
    std::string message;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(pipe_fd, chunk, sizeof chunk)) != 0) {
        if (n < 0 && errno != EINTR) break;
        if (n > 0) message.append(chunk, static_cast<size_t>(n));
    }
    const size_t newline = message.find('\n');
    if (newline != std::string::npos && newline > 0) {
        const std::string dir = message.substr(0, newline);
        end_processes_of(dir);
        remove_folder(dir);
    }
    // No exit handlers: they belong to the simulator, whose copy this is.
    ::_exit(0);
}

} // namespace

Guardian::Guardian() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw_errno("cannot start the guardian");
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        throw_errno("cannot start the guardian");
    }
    if (pid == 0) {
        ::close(ends[1]);
        guard(ends[0]);
    }
    ::close(ends[0]);
    pipe_ = ends[1];
    pid_ = pid;
}

void Guardian::watch(const std::string& dir) {
    // Far below the pipe's capacity, so the write completes at once.
    const std::string message = dir + "\n";
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t n = ::write(pipe_, message.data() + done, message.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw_errno("cannot reach the guardian");
        done += static_cast<size_t>(n);
    }
}

} // namespace sim
