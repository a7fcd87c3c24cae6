#include "fault_guard.h"

#include "host_config.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace sim::fault_guard {
namespace {

// Everything the handler needs is prepared when the guard is armed, so that
// the handler itself makes nothing but system calls.
char dir_path[4096];
char mem_path[4096 + 8];
char fb_path[4096 + 8];
volatile pid_t child = 0;

void say(const char* text) {
    ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void on_bus_error(int) {
    say("\nhandheld-sim: the memory file was truncated while in use (a program shrank "
        "$LUMENFALL_SIM_DIR/mem); stopping\n");
    if (child > 0) ::kill(child, SIGKILL);
    ::unlink(mem_path);
    ::unlink(fb_path);
    ::rmdir(dir_path);
    ::_exit(2);
}

void join(char* out, size_t size, const char* dir, const char* leaf) {
    out[0] = '\0';
    if (std::strlen(dir) + std::strlen(leaf) + 2 > size) return;
    std::strcpy(out, dir);
    std::strcat(out, "/");
    std::strcat(out, leaf);
}

} // namespace

void arm(const std::string& dir) {
    if (dir.size() >= sizeof dir_path) return;
    std::strcpy(dir_path, dir.c_str());
    join(mem_path, sizeof mem_path, dir_path, config::mem_file_name);
    join(fb_path, sizeof fb_path, dir_path, config::fb_file_name);
    struct sigaction action = {};
    action.sa_handler = on_bus_error;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

void watch_child(pid_t pid) {
    child = pid;
}

} // namespace sim::fault_guard
