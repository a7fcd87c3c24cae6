// The display program's pacing on its own: 60 frames a second by the
// monotonic clock, with short sleeps while it waits for work, so that the
// main core stays free for the demo.
#pragma once

#include "display_loop.h"

#include <cstdint>

namespace display {

// Where the frame clock reads the time and sleeps: the monotonic clock for
// the program, a clock of their own for the tests of its schedule.
class TimeSource {
  public:
    virtual ~TimeSource() = default;
    virtual int64_t now_ns() = 0;
    // Sleeps about ns (nothing when ns <= 0); a signal may cut it short.
    virtual void sleep_ns(int64_t ns) = 0;
};

TimeSource& monotonic_time();

class FrameClock : public Pacing {
  public:
    explicit FrameClock(TimeSource& time = monotonic_time());
    void pause() override;
    void next_frame() override;
    bool stop() override;
    bool stop_now() override;

  private:
    TimeSource& time_;
    int64_t next_ns_;
};

} // namespace display
