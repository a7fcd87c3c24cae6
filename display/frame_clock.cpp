#include "frame_clock.h"

#include "stop_signals.h"

#include <ctime>

namespace display {
namespace {

constexpr int64_t frame_ns = 1000000000 / 60;
// Long enough that waiting costs the main core next to nothing, short
// enough to pick a post up well within a frame.
constexpr int64_t pause_ns = 1000000;

class MonotonicTime : public TimeSource {
  public:
    int64_t now_ns() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

    void sleep_ns(int64_t ns) override {
        if (ns <= 0) return;
        timespec span{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        // A signal cuts the sleep short; the loop then looks at the stop flag.
        nanosleep(&span, nullptr);
    }
};

} // namespace

TimeSource& monotonic_time() {
    static MonotonicTime time;
    return time;
}

FrameClock::FrameClock(TimeSource& time) : time_(time), next_ns_(time.now_ns()) {}

void FrameClock::pause() {
    time_.sleep_ns(pause_ns);
}

void FrameClock::next_frame() {
    const int64_t now = time_.now_ns();
    next_ns_ += frame_ns;
    // After a stall (no posts for a while) the clock starts afresh instead
    // of rushing through the frames it missed.
    if (next_ns_ < now - frame_ns) next_ns_ = now;
    time_.sleep_ns(next_ns_ - now);
}

bool FrameClock::stop() {
    return platform::stop_requested();
}

bool FrameClock::stop_now() {
    return platform::stop_repeated();
}

} // namespace display
