#include "window.h"

#include "host_clock.h"

namespace sim::out {

void Window::consume(const RgbFrame& frame, uint64_t) {
    const int64_t now = monotonic_ns();
    if (last_show_ns_ != 0 && now - last_show_ns_ < config::window_present_interval_ns) return;
    require_full_frame(frame);
    last_show_ns_ = now;
    show(frame.rgb.data());
}

} // namespace sim::out
