// The display program's pacing on its own: 60 frames a second by the
// monotonic clock, with short sleeps while it waits for work, so that the
// main core stays free for the demo.
#pragma once

#include "display_loop.h"

#include <cstdint>

namespace display {

class FrameClock : public Pacing {
  public:
    FrameClock();
    void pause() override;
    void next_frame() override;
    bool stop() override;
    bool stop_now() override;

  private:
    int64_t next_ns_;
};

} // namespace display
