#include "console.h"

#include "host_config.h"

#include <cstdio>
#include <unistd.h>

namespace sim {
namespace {

// Set while a progress line stands on the terminal without its newline.
bool progress_shown = false;

void erase_progress() {
    if (!progress_shown) return;
    std::fputs("\r\033[K", stderr);
    progress_shown = false;
}

} // namespace

void print_message(const std::string& text) {
    erase_progress();
    std::fprintf(stderr, "handheld-sim: %s\n", text.c_str());
}

ProgressLine::ProgressLine(bool enabled) : enabled_(enabled && ::isatty(STDERR_FILENO) == 1) {}

void ProgressLine::update(uint64_t frames, int64_t now_ns) {
    if (!enabled_) return;
    if (last_ns_ == 0) {
        last_ns_ = now_ns;
        return;
    }
    const int64_t elapsed = now_ns - last_ns_;
    if (elapsed < config::progress_interval_ns) return;
    const double fps =
        static_cast<double>(frames - last_frames_) * 1e9 / static_cast<double>(elapsed);
    std::fprintf(stderr, "\r\033[Khandheld-sim: %llu frames, %.1f fps",
                 static_cast<unsigned long long>(frames), fps);
    std::fflush(stderr);
    progress_shown = true;
    last_ns_ = now_ns;
    last_frames_ = frames;
}

void ProgressLine::clear() {
    erase_progress();
}

} // namespace sim
