#include "cycle_report.h"

#include <cstdio>

namespace sim {

CycleReport::CycleReport(const std::string& path, const cycles::MemoryTiming& timing,
                         const uint8_t* memory, uint32_t bytes)
    : model_(timing, memory, bytes), file_(path, "cycle counts") {
    const std::string header =
        std::string("# memory timing ") + timing.name +
        ": frame instructions cycles icache_misses dcache_misses uncached "
        "write_buffer_stall_cycles stale_reads miss_cycles uncached_cycles\n";
    file_.write(header.data(), header.size());
}

void CycleReport::frame_displayed(uint64_t frame) {
    const cycles::CycleCounters now = model_.snapshot();
    const cycles::CycleCounters& was = at_last_frame_;
    const uint64_t frame_cycles = now.cycles - was.cycles;
    char line[256];
    std::snprintf(line, sizeof line, "%llu %llu %llu %llu %llu %llu %llu %llu %llu %llu\n",
                  static_cast<unsigned long long>(frame),
                  static_cast<unsigned long long>(now.instructions - was.instructions),
                  static_cast<unsigned long long>(frame_cycles),
                  static_cast<unsigned long long>(now.icache_misses - was.icache_misses),
                  static_cast<unsigned long long>(now.dcache_misses - was.dcache_misses),
                  static_cast<unsigned long long>(now.uncached_accesses - was.uncached_accesses),
                  static_cast<unsigned long long>(now.write_buffer_stall_cycles -
                                                  was.write_buffer_stall_cycles),
                  static_cast<unsigned long long>(now.stale_reads - was.stale_reads),
                  static_cast<unsigned long long>(now.miss_cycles - was.miss_cycles),
                  static_cast<unsigned long long>(now.uncached_cycles - was.uncached_cycles));
    file_.write(line, std::char_traits<char>::length(line));
    if (summary_.frames == 0 || frame_cycles > summary_.worst_frame_cycles) {
        summary_.worst_frame_cycles = frame_cycles;
        summary_.worst_frame = frame;
    }
    ++summary_.frames;
    at_last_frame_ = now;
}

CycleSummary CycleReport::summary() const {
    CycleSummary s = summary_;
    const cycles::CycleCounters now = model_.snapshot();
    s.stale_reads = now.stale_reads;
    s.unknown_cache_operations = now.unknown_cache_operations;
    s.stale_seen = model_.published_stale(s.first_stale);
    return s;
}

void CycleReport::close() {
    file_.close();
}

} // namespace sim
