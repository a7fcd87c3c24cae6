#include "fault_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>

namespace fault {

Summary parse_summary(const std::string& err) {
    Summary s;
    double seconds = 0;
    double fps = 0;
    s.parsed = std::sscanf(sim::test::last_line(err).c_str(),
                           "handheld-sim: summary: frames=%llu seconds=%lf fps=%lf "
                           "renderer_errors=%llu exit_status=%d",
                           &s.frames, &seconds, &fps, &s.renderer_errors, &s.exit_status) == 5;
    return s;
}

long long reported_number(const std::string& text, const std::string& label) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(label + " ", 0) == 0) return std::atoll(line.c_str() + label.size() + 1);
    return -1;
}

std::string shell_word(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> live_processes_in_session(pid_t session) {
    std::vector<std::string> found;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return found;
    while (const dirent* entry = ::readdir(proc)) {
        char* end;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0) continue;
        std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
        std::string stat;
        std::getline(file, stat);
        // The name may hold spaces and parentheses; the fields after it are
        // counted from the last ')'.
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int parent = 0, group = 0, sid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d %d %d", &state, &parent, &group, &sid) !=
            4)
            continue;
        if (sid == session && state != 'Z' && state != 'X')
            found.push_back(stat.substr(0, close + 1));
    }
    ::closedir(proc);
    return found;
}

} // namespace fault
