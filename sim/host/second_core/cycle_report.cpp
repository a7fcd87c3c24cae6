#include "cycle_report.h"

#include "shared_access.h"

#include <cstdio>

namespace sim {

CycleReport::CycleReport(const std::string& path, const cycles::MemoryTiming& timing,
                         const uint8_t* memory, uint32_t bytes, const gpuSharedArea* area)
    : model_(timing, memory, bytes), area_(area), file_(path, "cycle counts"),
      commands_(area, nullptr) {
    // The program polls fifo_write for work.
    model_.watch_reads_of(
        static_cast<uint32_t>(reinterpret_cast<const uint8_t*>(&area->fifo_write) - memory));
    const std::string header =
        std::string("# memory timing ") + timing.name +
        ": frame instructions cycles icache_misses dcache_misses uncached "
        "write_buffer_stall_cycles stale_reads miss_cycles uncached_cycles idle_instructions "
        "idle_cycles video_fills distinct_video_lines\n";
    file_.write(header.data(), header.size());
}

void CycleReport::restart(uint32_t fifo_read) {
    fifo_read_ = fifo_read;
    commands_.restart(fifo_read);
    shows_ = 0;
}

void CycleReport::probe() {
    const uint32_t frame_count = platform::shared_load(&area_->frame_count);
    const uint32_t read = platform::shared_load(&area_->fifo_read);
    // The program publishes fifo_read as soon as it has copied a command
    // out, before it executes it: an empty FIFO alone does not make it
    // idle. It is idle from a poll of fifo_write that finds nothing new
    // until a poll that finds more.
    if (model_.take_watched_read())
        model_.set_idle(read == platform::shared_load(&area_->fifo_write));
    if (read == fifo_read_) return;
    fifo_read_ = read;
    commands_.advance(read, frame_count);
    const uint32_t shows = commands_.shows_since_reset();
    if (shows == shows_) return;
    // A reset starts the count again; each show is a frame drawn.
    const uint32_t done = shows > shows_ ? shows - shows_ : shows;
    shows_ = shows;
    model_.publish();
    model_.start_distinct_lines();
    const cycles::CycleCounters now = model_.snapshot();
    std::lock_guard<std::mutex> lock(mutex_);
    for (uint32_t i = 0; i < done; ++i)
        frames_done_.push_back(now);
}

void CycleReport::frame_displayed(uint64_t frame) {
    cycles::CycleCounters now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (frames_done_.empty()) {
            now = model_.snapshot();
        } else {
            now = frames_done_.front();
            frames_done_.pop_front();
        }
    }
    const cycles::CycleCounters& was = at_last_frame_;
    const uint64_t idle_cycles = now.idle_cycles - was.idle_cycles;
    const uint64_t idle_instructions = now.idle_instructions - was.idle_instructions;
    const uint64_t frame_cycles = now.cycles - was.cycles - idle_cycles;
    char line[320];
    std::snprintf(
        line, sizeof line,
        "%llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu\n",
        static_cast<unsigned long long>(frame),
        static_cast<unsigned long long>(now.instructions - was.instructions - idle_instructions),
        static_cast<unsigned long long>(frame_cycles),
        static_cast<unsigned long long>(now.icache_misses - was.icache_misses),
        static_cast<unsigned long long>(now.dcache_misses - was.dcache_misses),
        static_cast<unsigned long long>(now.uncached_accesses - was.uncached_accesses),
        static_cast<unsigned long long>(now.write_buffer_stall_cycles -
                                        was.write_buffer_stall_cycles),
        static_cast<unsigned long long>(now.stale_reads - was.stale_reads),
        static_cast<unsigned long long>(now.miss_cycles - was.miss_cycles),
        static_cast<unsigned long long>(now.uncached_cycles - was.uncached_cycles),
        static_cast<unsigned long long>(idle_instructions),
        static_cast<unsigned long long>(idle_cycles),
        static_cast<unsigned long long>(now.video_fills - was.video_fills),
        static_cast<unsigned long long>(now.distinct_video_lines - was.distinct_video_lines));
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
