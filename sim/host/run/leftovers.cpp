// Ending the processes a command left behind. As the subreaper of the
// command, the simulator inherits every orphan among its descendants; they
// are found by their parent process id in /proc.
#include "child_process.h"

#include "host_clock.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace sim {
namespace {

// The parent of a process, read from /proc/<pid>/stat; -1 when it is gone.
// The command name in that line may hold spaces and parentheses, so the
// fields are counted from the last ')'.
pid_t parent_of(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    std::FILE* file = std::fopen(path, "re");
    if (file == nullptr) return -1;
    char line[512];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read) return -1;
    const char* close = std::strrchr(line, ')');
    char state;
    int ppid;
    if (close == nullptr || std::sscanf(close + 1, " %c %d", &state, &ppid) != 2) return -1;
    return ppid;
}

// Every process in /proc with its parent.
std::vector<std::pair<pid_t, pid_t>> process_table() {
    std::vector<std::pair<pid_t, pid_t>> table;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return table;
    while (const dirent* entry = ::readdir(proc)) {
        char* end;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0) continue;
        const pid_t p = static_cast<pid_t>(pid);
        const pid_t parent = parent_of(p);
        if (parent > 0) table.emplace_back(p, parent);
    }
    ::closedir(proc);
    return table;
}

bool kept(const std::vector<pid_t>& keep, pid_t pid) {
    return std::find(keep.begin(), keep.end(), pid) != keep.end();
}

std::vector<pid_t> adopted_children(const std::vector<pid_t>& keep) {
    std::vector<pid_t> found;
    const pid_t self = ::getpid();
    for (const auto& [pid, parent] : process_table())
        if (parent == self && !kept(keep, pid)) found.push_back(pid);
    return found;
}

// All descendants of the simulator, children first, leaving out the kept
// processes and everything below them.
std::vector<pid_t> descendants(const std::vector<pid_t>& keep) {
    const std::vector<std::pair<pid_t, pid_t>> table = process_table();
    std::vector<pid_t> found{::getpid()};
    for (size_t i = 0; i < found.size(); ++i)
        for (const auto& [pid, parent] : table)
            if (parent == found[i] && !kept(keep, pid)) found.push_back(pid);
    found.erase(found.begin());
    return found;
}

bool reap_without_blocking(pid_t pid) {
    int status;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
}

} // namespace

void ChildProcess::signal_descendants(int signal, const std::vector<pid_t>& keep) {
    for (pid_t pid : descendants(keep))
        ::kill(pid, signal);
}

void ChildProcess::end_leftovers(const std::vector<pid_t>& keep) {
    // Each round ends the current orphans; their own children are adopted in
    // turn and found by the next round. A polite SIGTERM comes first.
    for (int round = 0; round < 64; ++round) {
        std::vector<pid_t> orphans = adopted_children(keep);
        if (orphans.empty()) return;
        for (pid_t pid : orphans)
            ::kill(pid, SIGTERM);
        const int64_t deadline = monotonic_ns() + 500'000'000;
        std::erase_if(orphans, reap_without_blocking);
        while (!orphans.empty() && monotonic_ns() < deadline) {
            sleep_ns(5'000'000);
            std::erase_if(orphans, reap_without_blocking);
        }
        for (pid_t pid : orphans) {
            ::kill(pid, SIGKILL);
            int status;
            ::waitpid(pid, &status, 0);
        }
    }
}

} // namespace sim
