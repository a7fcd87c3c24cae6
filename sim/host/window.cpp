#include "window.h"

#include "host_clock.h"

namespace sim::out {

bool Window::wants(uint64_t) const {
    return last_show_ns_ == 0 ||
           monotonic_ns() - last_show_ns_ >= config::window_present_interval_ns;
}

void Window::consume(const RgbFrame& frame, uint64_t number) {
    if (!wants(number)) return;
    const int64_t now = monotonic_ns();
    require_full_frame(frame);
    last_show_ns_ = now;
    show(frame.rgb.data());
}

} // namespace sim::out
