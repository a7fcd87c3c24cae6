#include "window.h"

#include "host_clock.h"

#include <cstdio>

namespace sim::out {

void Window::show(const uint8_t* rgb, std::optional<uint64_t> number) {
    screen_.assign(rgb, rgb + size_t{3} * config::fb_width * config::fb_height);
    screen_frame_ = number;
    draw(rgb);
}

void Window::set_status(double fps, bool paused) {
    char text[96] = "handheld-sim - menu screen";
    if (screen_frame_)
        std::snprintf(text, sizeof text, "handheld-sim - frame %llu - %.1f fps%s",
                      static_cast<unsigned long long>(*screen_frame_), fps,
                      paused ? " - paused" : "");
    else if (paused)
        std::snprintf(text, sizeof text, "handheld-sim - menu screen - paused");
    if (title_ == text) return;
    title_ = text;
    set_title(title_);
}

bool Window::wants(uint64_t) const {
    return !sampling_ || last_show_ns_ == 0 ||
           monotonic_ns() - last_show_ns_ >= config::window_present_interval_ns;
}

void Window::consume(const renderer::RgbFrame& frame, uint64_t number) {
    if (!wants(number)) return;
    const int64_t now = monotonic_ns();
    require_full_frame(frame);
    last_show_ns_ = now;
    show(frame.rgb.data(), number);
}

} // namespace sim::out
