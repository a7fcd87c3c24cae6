#include "replay.h"

#include "console.h"
#include "host_clock.h"
#include "host_config.h"
#include "host_error.h"
#include "replay_feeder.h"
#include "signals.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>

namespace sim {
namespace {

// The shared area the replay's renderer works in: anonymous memory, zeroed
// like the memory file of a fresh run.
class PrivateArea {
  public:
    PrivateArea() {
        void* p = ::mmap(nullptr, sizeof(gpuSharedArea), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw HostError(std::string("cannot map memory for the replay: ") +
                            std::strerror(errno));
        area_ = static_cast<gpuSharedArea*>(p);
    }
    ~PrivateArea() { ::munmap(area_, sizeof(gpuSharedArea)); }
    PrivateArea(const PrivateArea&) = delete;
    PrivateArea& operator=(const PrivateArea&) = delete;
    gpuSharedArea* get() const { return area_; }

  private:
    gpuSharedArea* area_ = nullptr;
};

class ReplayLoop {
  public:
    ReplayLoop(const capture::CaptureReplay& capture, const ReplaySetup& setup, RunResult& result,
               gpuSharedArea* area)
        : s_(setup), result_(result), renderer_(area), feeder_(capture, area),
          progress_(setup.progress) {
        renderer_.set_capture(setup.capture);
        renderer_.reset();
    }

    void run();

  private:
    bool step(int64_t now);
    void display();

    const ReplaySetup& s_;
    RunResult& result_;
    Renderer renderer_;
    ReplayFeeder feeder_;
    ProgressLine progress_;
    RgbFrame frame_;
    int64_t next_tick_ = 0;
    int64_t next_pump_ = 0;
};

void ReplayLoop::run() {
    const int64_t start = monotonic_ns();
    next_tick_ = start;
    struct Tally {
        ReplayLoop& loop;
        int64_t start;
        ~Tally() {
            loop.progress_.clear();
            loop.result_.nanoseconds = monotonic_ns() - start;
            loop.result_.renderer_errors = loop.renderer_.error_count();
        }
    } tally{*this, start};

    // A fast replay is sampled by the window, as a fast live run is.
    if (s_.window != nullptr) s_.window->set_sampling(s_.fast);
    while (true) {
        const int64_t now = monotonic_ns();
        if (const int signal = signals::take_stop_request(); signal != 0) {
            result_.stop_signal = signal;
            return;
        }
        const bool busy = step(now);
        if (s_.window != nullptr && now >= next_pump_) {
            next_pump_ = now + config::window_present_interval_ns;
            if (s_.window->pump().closed) {
                result_.window_closed = true;
                return;
            }
        }
        if (s_.capture != nullptr) s_.capture->check();
        progress_.update(result_.frames, now);
        if (feeder_.done() && renderer_.fifo_empty() && renderer_.pending_shows() == 0) return;
        if (busy) continue;
        // Idle only in real time, waiting for the next display tick: in fast
        // mode the feeder always has work until the end.
        int64_t sleep = config::idle_sleep_ns;
        if (next_tick_ - now < sleep) sleep = next_tick_ - now;
        sleep_ns(sleep);
    }
}

// Feeds the FIFO, executes and displays what is due; true when anything
// happened.
bool ReplayLoop::step(int64_t now) {
    const bool fed = feeder_.feed(renderer_);
    if (s_.fast) {
        const int executed = renderer_.step(config::step_budget, true);
        if (renderer_.pending_shows() > 0) {
            display();
            return true;
        }
        return fed || executed > 0;
    }
    const int executed = renderer_.step(config::step_budget, false);
    if (now < next_tick_) return fed || executed > 0;
    next_tick_ += config::display_tick_ns;
    if (next_tick_ < now) next_tick_ = now + config::display_tick_ns;
    if (renderer_.pending_shows() == 0) return fed || executed > 0;
    display();
    return true;
}

// As in a live run: a frame no output wants is not converted.
void ReplayLoop::display() {
    bool wanted = false;
    for (out::FrameSink* sink : s_.sinks)
        wanted = wanted || sink->wants(result_.frames);
    if (!wanted) {
        if (renderer_.advance_display()) ++result_.frames;
        return;
    }
    if (!renderer_.display_next(frame_)) return;
    for (out::FrameSink* sink : s_.sinks)
        sink->consume(frame_, result_.frames);
    ++result_.frames;
}

} // namespace

void run_replay(const capture::CaptureReplay& capture, const ReplaySetup& setup,
                RunResult& result) {
    PrivateArea area;
    ReplayLoop(capture, setup, result, area.get()).run();
}

} // namespace sim
