// The cycle model of a run and its per-frame file: one line for every
// displayed frame with what the second core did since the previous one,
//
//   FRAME INSTRUCTIONS CYCLES ICACHE_MISSES DCACHE_MISSES UNCACHED
//   WRITE_BUFFER_STALL_CYCLES STALE_READS MISS_CYCLES UNCACHED_CYCLES
//   IDLE_INSTRUCTIONS IDLE_CYCLES
//
// after a comment line naming the columns and the memory timing. A frame's
// line holds what the core did from the end of the frame before to the end
// of this one, where a frame ends when the program has consumed its show
// command: the program draws frames ahead of the display, so the moment a
// frame is displayed says little of when it was drawn.
// INSTRUCTIONS and CYCLES are the frame's work: the instructions and cycles
// spent polling for commands after a poll found the FIFO empty are the last
// two columns, apart (the misses and stalls are the whole frame's). The core
// writes the counts on its thread; frame_displayed() reads them on the run
// loop's, at the moment the frame is handed over.
#pragma once

#include "consumed_commands.h"
#include "cycle_model/cycle_model.h"
#include "gpu_protocol.h"
#include "output_file.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace sim {

struct CycleSummary {
    uint64_t frames = 0;
    uint64_t worst_frame_cycles = 0;
    uint64_t worst_frame = 0;
    uint64_t stale_reads = 0;
    bool stale_seen = false;
    cycles::StaleRead first_stale;
    uint64_t unknown_cache_operations = 0;
};

class CycleReport {
  public:
    // Throws HostError when path cannot be written.
    CycleReport(const std::string& path, const cycles::MemoryTiming& timing, const uint8_t* memory,
                uint32_t bytes, const gpuSharedArea* area);

    cycles::CycleModel& model() { return model_; }
    // The core (re)starts reading the FIFO at fifo_read; before it runs.
    void restart(uint32_t fifo_read);
    // On the core's thread, at each run of code: whether the program is
    // idle, and whether it finished a frame.
    void probe();
    // On the run loop's thread.
    void frame_displayed(uint64_t frame);
    CycleSummary summary() const;
    void close();

  private:
    cycles::CycleModel model_;
    const gpuSharedArea* area_;
    out::OutputFile file_;
    // The core's thread.
    ConsumedCommands commands_;
    uint32_t fifo_read_ = 0;
    uint32_t shows_ = 0;
    // Counters at the end of each frame drawn and not yet displayed.
    std::mutex mutex_;
    std::deque<cycles::CycleCounters> frames_done_;
    // The run loop's.
    cycles::CycleCounters at_last_frame_;
    CycleSummary summary_;
};

} // namespace sim
