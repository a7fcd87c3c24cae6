// The emulated second core: whatever the loader put at physical 0x02000000
// runs on an ARMv4T engine, on a thread of its own, over the simulator's
// mapping of the second core's 32 MiB (no copy: the client, the display
// program and the core all see the same bytes).
//
// The simulator plays the display hardware's scan-out: it announces itself
// in the display mailbox, and each time the display program has taken a
// posted buffer it shows the emulated /dev/fb0 and acknowledges the frame.
// A fault of the program, or a core that leaves work in the FIFO untouched
// for several seconds, ends the run.
#pragma once

#include "arm_engine.h"
#include "consumed_commands.h"
#include "cycle_report.h"
#include "display_mailbox.h"
#include "output_file.h"
#include "second_core.h"
#include "sim_memory.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <time.h>

namespace sim {

class EmulatedCore : public SecondCore {
  public:
    // fb_path: the emulated frame buffer device, read for each frame shown.
    // capture, if any, receives the commands the program consumed. Throws
    // HostError when the build has no emulator or fb_path cannot be opened.
    EmulatedCore(SimMemory& memory, const std::string& fb_path, int64_t stall_limit_ns,
                 CaptureRecorder* capture);

    // Writes, for every frame displayed, the instructions the core executed
    // since the previous one ("NUMBER COUNT" lines). Slows the core down.
    void count_instructions(const std::string& path);
    // Models the core's cycles at that memory timing and writes, for every
    // frame displayed, a line of them (cycle_report.h). Slows the core down
    // much more.
    void model_cycles(const std::string& path, const cycles::MemoryTiming& timing);
    // The worst frame's cycles and the stale reads so far; false without
    // the model.
    bool cycle_summary(CycleSummary& summary) const;
    ~EmulatedCore() override;
    EmulatedCore(const EmulatedCore&) = delete;
    EmulatedCore& operator=(const EmulatedCore&) = delete;

    void start() override;
    void stop() override;
    int step(int budget, bool stop_after_show) override;
    size_t pending_shows() const override;
    uint64_t next_shown_digest() const override;
    bool display_next(renderer::RgbFrame& frame) override;
    bool advance_display() override;
    bool idle() const override;
    bool settled() const override { return idle(); }
    void catch_up() override;
    uint64_t error_count() const override { return errors_; }

  private:
    ArmRunEnd halt();
    void end_run();
    void check_fault();
    void watch_progress(bool moved);
    int64_t core_time_ns() const;
    [[noreturn]] void fail(const std::string& what, const std::string& where);
    void acknowledge();

    SimMemory& memory_;
    gpuSharedArea* area_;
    gpuDisplayMailbox* mailbox_;
    int fb_fd_ = -1;
    int64_t stall_limit_ns_;
    ConsumedCommands consumed_;

    std::unique_ptr<ArmEngine> engine_;
    std::thread thread_;
    std::atomic<bool> run_ended_{true};
    ArmRunEnd end_;

    // What the loop saw at its last look, to tell progress and new errors.
    uint32_t last_fifo_read_ = 0;
    uint32_t last_frame_count_ = 0;
    uint32_t last_error_code_ = 0;
    clockid_t core_clock_ = CLOCK_MONOTONIC;
    int64_t progress_time_ns_ = 0; // core_time_ns() at the last progress
    uint64_t errors_ = 0;
    std::unique_ptr<out::OutputFile> instruction_file_;
    std::unique_ptr<CycleReport> cycle_report_;
    uint64_t frames_shown_ = 0;
    uint64_t instructions_before_ = 0; // all runs before the current one
    uint64_t instructions_at_frame_ = 0;
    // Since when the core has shown nothing more while shows it consumed
    // wait for display: a core that stops showing (no display program) is
    // not waited for forever.
    mutable int64_t stalled_since_ = 0;
    mutable uint32_t stalled_frame_count_ = 0;
};

} // namespace sim
