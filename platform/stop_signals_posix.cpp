#include "stop_signals.h"

#include <csignal>

namespace platform {
namespace {

// Signals received, counted up to two. A signal sent again before the first
// was delivered counts once: the system merges the two.
volatile std::sig_atomic_t stop_count = 0;

extern "C" void on_stop_signal(int) {
    if (stop_count < 2) stop_count = stop_count + 1;
}

} // namespace

bool catch_stop_signals() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    // Each handler runs with the other signal blocked, so that one cannot cut
    // into the other's count.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGINT);
    // No SA_RESTART: a sleep the signal interrupts returns at once.
    action.sa_flags = 0;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

bool stop_requested() {
    return stop_count != 0;
}

bool stop_repeated() {
    return stop_count >= 2;
}

} // namespace platform
