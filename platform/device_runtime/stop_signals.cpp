// SIGTERM and SIGINT for the handheld programs, through the kernel's own
// sigaction call: the C library has no signals of its own below it.
#include "stop_signals.h"
#include "kernel_call.h"
#include "linux_abi.h"

#include <csignal>

using namespace device_runtime;

namespace {

// Signals received, counted up to two. A signal sent again before the first
// was delivered counts once: the system merges the two.
volatile std::sig_atomic_t stop_count = 0;

extern "C" void on_stop_signal(int) {
    if (stop_count < 2) stop_count = stop_count + 1;
}

// The kernel's record for the old sigaction call on ARM. Without a restorer
// the kernel supplies the return from the handler itself.
struct KernelSigaction {
    void (*handler)(int);
    unsigned long mask;
    unsigned long flags;
    void (*restorer)();
};

// Each handler runs with the other signal blocked (bit n - 1 for signal n),
// so that one cannot cut into the other's count.
constexpr unsigned long both_stop_signals =
    1ul << (kernel_sigint - 1) | 1ul << (kernel_sigterm - 1);

bool catch_signal(long number) {
    const KernelSigaction action{on_stop_signal, both_stop_signals, 0, nullptr};
    return kernel_result(kernel_call<call_sigaction>(number, reinterpret_cast<long>(&action), 0)) ==
           0;
}

} // namespace

namespace platform {

bool catch_stop_signals() {
    return catch_signal(kernel_sigint) && catch_signal(kernel_sigterm);
}

bool stop_requested() {
    return stop_count != 0;
}

bool stop_repeated() {
    return stop_count >= 2;
}

} // namespace platform
