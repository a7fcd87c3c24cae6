#include "simulator.h"

#include "console.h"
#include "host_clock.h"
#include "host_config.h"
#include "host_error.h"
#include "native_core.h"
#include "replay_feeder.h"
#include "signals.h"

#include "shared_access.h"

#include <algorithm>
#include <csignal>
#include <memory>

namespace sim {
namespace {

class Loop {
  public:
    Loop(const RunSetup& setup, RunResult& result)
        : s_(setup), progress_(setup.progress), result_(result), fast_(setup.fast) {
        if (setup.second_core == nullptr)
            own_core_ = std::make_unique<NativeCore>(setup.memory->shared_area(), setup.capture,
                                                     setup.fast);
        core_ = setup.second_core != nullptr ? setup.second_core : own_core_.get();
    }

    void run();

  private:
    void handle_signals(int64_t now);
    void handle_core_event(CoreEvent event);
    bool work(int64_t now);
    bool work_core(int64_t now);
    void display();
    void watch_waiting_client(int64_t now);
    bool finished() const;
    void idle(int64_t now);
    bool handle_window(int64_t now);
    void take_screenshot();
    void update_title(int64_t now);

    const RunSetup& s_;
    ProgressLine progress_;
    std::unique_ptr<NativeCore> own_core_;
    SecondCore* core_ = nullptr;
    bool running_ = false;
    renderer::RgbFrame frame_;
    RunResult& result_;

    int64_t next_tick_ = 0;
    int64_t next_pump_ = 0;
    int64_t client_waiting_since_ = 0;
    bool hint_given_ = false;
    int empty_polls_ = 0;
    bool stopping_ = false;
    bool stop_now_ = false; // a replay asked to stop
    int64_t stop_deadline_ = 0;

    // Steered from the window's keys: fast_ follows --fast or a held Tab.
    bool fast_;
    bool paused_ = false;
    int steps_wanted_ = 0;
    int64_t rate_since_ = 0;
    uint64_t rate_frames_ = 0;
    double fps_ = 0;
};

void Loop::run() {
    const int64_t start = monotonic_ns();
    next_tick_ = start;
    // The counts are filled in however the loop ends, an output failure
    // included, so that the summary reports them.
    struct Tally {
        Loop& loop;
        int64_t start;
        ~Tally() {
            loop.progress_.clear();
            loop.result_.nanoseconds = monotonic_ns() - start;
            loop.result_.renderer_errors = loop.core_->error_count();
        }
    } tally{*this, start};

    if (s_.window != nullptr) s_.window->set_sampling(fast_);
    bool idle_before = false;
    while (true) {
        const int64_t now = monotonic_ns();
        handle_signals(now);
        if (stop_now_) return;
        // The command's end is looked at before the registers and the FIFO:
        // whatever it wrote before exiting is then seen in this same pass.
        // Polling after idle passes too notices a child whose SIGCHLD was
        // merged with another.
        if (s_.child != nullptr && (signals::take_child_event() || idle_before)) s_.child->poll();
        const bool command_gone = s_.child != nullptr ? s_.child->exited() : s_.feeder->done();

        if (s_.core != nullptr)
            handle_core_event(s_.core->poll());
        else if (!running_)
            handle_core_event(CoreEvent::renderer_started);
        const bool busy = work(now);
        if (s_.frame_limit != 0 && result_.frames >= s_.frame_limit) {
            result_.frame_limit_reached = true;
            return;
        }
        if (!running_ && s_.child != nullptr) watch_waiting_client(now);

        if (s_.window != nullptr && now >= next_pump_) {
            next_pump_ = now + config::window_present_interval_ns;
            if (!handle_window(now)) {
                result_.window_closed = true;
                return;
            }
        }
        if (s_.capture != nullptr) s_.capture->check();
        progress_.update(result_.frames, now);

        // With the command gone, an idle pass with no frame waiting for
        // display means nothing more can come. A paused run keeps what is
        // left in the FIFO for when it resumes.
        if (command_gone &&
            (stopping_ || finished() ||
             (!paused_ && !busy && core_->pending_shows() == 0 && core_->settled())))
            return;
        idle_before = !busy;
        if (busy)
            empty_polls_ = 0;
        else
            idle(now);
    }
}

// A stop request goes to the command and every process it started, as an
// interrupt typed at a terminal reaches a whole job: a shell waiting for its
// program would otherwise wait on. A second request, or a command that
// outlives its grace period, gets SIGKILL.
void Loop::handle_signals(int64_t now) {
    if (const int signal = signals::take_stop_request(); signal != 0) {
        if (s_.child == nullptr) {
            result_.stop_signal = signal;
            stop_now_ = true;
            return;
        }
        ChildProcess::signal_descendants(stopping_ ? SIGKILL : signal, helper_processes());
        if (!stopping_) stop_deadline_ = now + config::child_stop_grace_ns;
        stopping_ = true;
    }
    if (stopping_ && now > stop_deadline_ && s_.child != nullptr) s_.child->send_signal(SIGKILL);
}

void Loop::handle_core_event(CoreEvent event) {
    switch (event) {
    case CoreEvent::none:
        return;
    case CoreEvent::renderer_started:
        core_->start();
        running_ = true;
        client_waiting_since_ = 0;
        return;
    case CoreEvent::foreign_program:
        if (s_.kind == SecondCoreKind::emulated)
            print_message("second core released, but it cannot run what the memory at "
                          "0x02000000 holds: " +
                          s_.core->refusal() + "; the core stays idle");
        else
            print_message("second core released, but the memory at 0x02000000 holds no "
                          "renderer image (" +
                          s_.core->refusal() + "); the core stays idle");
        return;
    case CoreEvent::renderer_stopped:
        core_->stop();
        running_ = false;
        return;
    }
}

// Feeds a replay's commands, lets the core work and displays what is due;
// true when anything happened.
bool Loop::work(int64_t now) {
    if (!running_) return false;
    const bool fed = s_.feeder != nullptr && s_.feeder->feed(*core_);
    return work_core(now) || fed;
}

bool Loop::work_core(int64_t now) {
    if (paused_) {
        // Nothing is drawn or displayed, so the programs wait as on a paused
        // handheld; a step draws up to the next shown frame and displays it.
        if (steps_wanted_ == 0) return false;
        const int executed = core_->step(config::step_budget, true);
        if (core_->pending_shows() == 0) return executed > 0;
        display();
        --steps_wanted_;
        return true;
    }
    if (fast_) {
        const int executed = core_->step(config::step_budget, true);
        if (core_->pending_shows() > 0) {
            display();
            return true;
        }
        return executed > 0;
    }
    const int executed = core_->step(config::step_budget, false);
    if (now < next_tick_) return executed > 0;
    next_tick_ += config::display_tick_ns;
    // After a stall (a suspended process, a slow output) the display resumes
    // its pace instead of catching up in a burst.
    if (next_tick_ < now) next_tick_ = now + config::display_tick_ns;
    if (core_->pending_shows() == 0) return executed > 0;
    display();
    return true;
}

// A frame no output wants is put on display without being converted, which
// is most of the work of displaying it.
void Loop::display() {
    if (s_.shown_digests != nullptr)
        s_.shown_digests->add(result_.frames, core_->next_shown_digest());
    bool wanted = false;
    for (out::FrameSink* sink : s_.sinks)
        wanted = wanted || sink->wants(result_.frames);
    if (!wanted) {
        if (core_->advance_display()) ++result_.frames;
        return;
    }
    if (!core_->display_next(frame_)) return;
    for (out::FrameSink* sink : s_.sinks)
        sink->consume(frame_, result_.frames);
    ++result_.frames;
}

// A client that queues commands while no renderer runs would wait forever;
// after a while the user is told why.
void Loop::watch_waiting_client(int64_t now) {
    const gpuSharedArea* area = s_.memory->shared_area();
    const bool waiting =
        platform::shared_load(&area->fifo_write) != platform::shared_load(&area->fifo_read);
    if (!waiting) {
        client_waiting_since_ = 0;
        return;
    }
    if (client_waiting_since_ == 0) client_waiting_since_ = now;
    if (hint_given_ || now - client_waiting_since_ < config::idle_client_hint_ns) return;
    hint_given_ = true;
    print_message("a program has been waiting for the renderer for 2 seconds, but none runs on "
                  "the second core. Load the renderer image with the loader first, e.g.\n"
                  "  handheld-sim -- sh -c 'coreseed " +
                  s_.renderer_image_path +
                  " && lumenfall'\n"
                  "or start the renderer at once with --renderer-now.");
}

// Every frame shown before the command ended is on display.
bool Loop::finished() const {
    return !running_ || core_->idle();
}

// The window's keys; false once the user closed it.
bool Loop::handle_window(int64_t now) {
    const out::WindowInput input = s_.window->pump();
    if (input.closed) return false;
    if (input.toggle_pause) {
        paused_ = !paused_;
        steps_wanted_ = 0;
    }
    if (paused_) steps_wanted_ += input.steps;
    // Leaving fast mode needs nothing more: the display tick that has
    // fallen behind restarts its grid instead of catching up.
    fast_ = s_.fast || input.fast_held;
    s_.window->set_sampling(fast_ && !paused_);
    for (int i = 0; i < input.screenshots; ++i)
        take_screenshot();
    update_title(now);
    return true;
}

// A screenshot that cannot be written is reported and the run goes on.
void Loop::take_screenshot() {
    if (s_.screenshots == nullptr) return;
    try {
        print_message("screenshot saved: " +
                      s_.screenshots->save(s_.window->screen(), s_.window->screen_frame()));
    } catch (const HostError& e) {
        print_message(e.what());
    }
}

// The rate in the title is measured over half a second of displayed frames.
void Loop::update_title(int64_t now) {
    if (rate_since_ == 0 || now - rate_since_ >= config::title_rate_interval_ns) {
        if (rate_since_ != 0)
            fps_ = static_cast<double>(result_.frames - rate_frames_) * 1e9 /
                   static_cast<double>(now - rate_since_);
        rate_since_ = now;
        rate_frames_ = result_.frames;
    }
    s_.window->set_status(paused_ ? 0.0 : fps_, paused_);
}

void Loop::idle(int64_t now) {
    if (!fast_ || paused_) {
        // With the renderer running, nothing is due before the next display
        // tick: the client, paced by the display, queues its commands while
        // the loop sleeps and the renderer catches up at the tick. A signal
        // (the command's end, a stop request) cuts the sleep short.
        int64_t sleep = config::idle_sleep_ns;
        if (running_ && !paused_) sleep = std::min(next_tick_ - now, config::display_tick_ns);
        sleep_ns(sleep);
        return;
    }
    // Fast mode waits for the client only while it computes a frame; after
    // a short spin the loop sleeps rather than keep a core busy yielding.
    if (++empty_polls_ > config::fast_polls_before_sleep) sleep_ns(config::fast_sleep_ns);
}

} // namespace

void run_simulation(const RunSetup& setup, RunResult& result) {
    Loop(setup, result).run();
}

} // namespace sim
