#include "signals.h"

#include <csignal>
#include <initializer_list>

namespace sim::signals {
namespace {

volatile sig_atomic_t stop_request = 0;
volatile sig_atomic_t child_event = 0;

void on_stop(int signal) {
    stop_request = signal;
}
void on_child(int) {
    child_event = 1;
}

void set_handler(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // SA_RESTART keeps blocking writes to outputs from failing with EINTR.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

void install() {
    set_handler(SIGINT, on_stop);
    set_handler(SIGTERM, on_stop);
    set_handler(SIGHUP, on_stop);
    set_handler(SIGCHLD, on_child);
    set_handler(SIGPIPE, SIG_IGN);
    // Likewise a write past a file-size limit: an error that names the
    // output, not a signal that kills the simulator and leaves its folder.
    set_handler(SIGXFSZ, SIG_IGN);
}

int take_stop_request() {
    if (stop_request == 0) return 0;
    int signal = stop_request;
    stop_request = 0;
    return signal;
}

bool take_child_event() {
    if (child_event == 0) return false;
    child_event = 0;
    return true;
}

void reset_in_child() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGPIPE, SIGXFSZ})
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

} // namespace sim::signals
