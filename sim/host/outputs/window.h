// A live window showing the handheld's screen at a whole-number scale. Built
// over SDL2 when the build found it; otherwise a variant that reports the
// window as unsupported.
#pragma once

#include "frame_sink.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim::out {

// What the user asked for with the keys since the last pump. Full screen and
// scale are the window's own business and never show up here.
struct WindowInput {
    bool closed = false;       // the close button, Esc or Q
    bool toggle_pause = false; // Space pressed an odd number of times
    int steps = 0;             // '.' presses: frames to step while paused
    bool fast_held = false;    // Tab is held down now
    int screenshots = 0;       // F12 presses
};

class Window : public FrameSink {
  public:
    // True when this build can open a window.
    static bool supported();
    // Opens the window at scale times the screen's size; throws HostError
    // when there is no display or the build has no window support.
    static std::unique_ptr<Window> open(int scale);

    // Shows a 320 x 240 RGB picture now and keeps it as the screen's
    // content; number is the displayed frame's, empty for the menu screen.
    void show(const uint8_t* rgb, std::optional<uint64_t> number = std::nullopt);
    // Handles pending events and reports the keys pressed since last time.
    virtual WindowInput pump() = 0;

    // What the window shows now, at the screen's native size.
    const std::vector<uint8_t>& screen() const { return screen_; }
    std::optional<uint64_t> screen_frame() const { return screen_frame_; }

    // The title: the frame on screen, the display rate and whether the run
    // is paused. Redrawn only when its text changes.
    void set_status(double fps, bool paused);

    // Sampling on: at most display_hz pictures a second, so that a fast run
    // is not slowed down by the window. Off (real-time pace): every displayed
    // frame is shown, so a stepped or paused frame is the one on screen.
    void set_sampling(bool on) { sampling_ = on; }
    bool wants(uint64_t number) const override;
    void consume(const renderer::RgbFrame& frame, uint64_t number) override;

  protected:
    virtual void draw(const uint8_t* rgb) = 0;
    virtual void set_title(const std::string& /*title*/) {}

  private:
    bool sampling_ = false;
    int64_t last_show_ns_ = 0;
    std::vector<uint8_t> screen_;
    std::optional<uint64_t> screen_frame_;
    std::string title_;
};

} // namespace sim::out
