// The cycle model of a run and its per-frame file: one line for every
// displayed frame with what the second core did since the previous one,
//
//   FRAME INSTRUCTIONS CYCLES ICACHE_MISSES DCACHE_MISSES UNCACHED
//   WRITE_BUFFER_STALL_CYCLES STALE_READS MISS_CYCLES UNCACHED_CYCLES
//
// after a comment line naming the columns and the memory timing. The core
// writes the counts on its thread; frame_displayed() reads them on the run
// loop's, at the moment the frame is handed over.
#pragma once

#include "cycle_model/cycle_model.h"
#include "output_file.h"

#include <cstdint>
#include <memory>
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
    CycleReport(const std::string& path, const cycles::MemoryTiming& timing,
                const uint8_t* memory, uint32_t bytes);

    cycles::CycleModel& model() { return model_; }
    void frame_displayed(uint64_t frame);
    CycleSummary summary() const;
    void close();

  private:
    cycles::CycleModel model_;
    out::OutputFile file_;
    cycles::CycleCounters at_last_frame_;
    CycleSummary summary_;
};

} // namespace sim
