// The second core's cycles, modelled as the emulator runs the program: each
// instruction's pipeline cost (instruction_costs.h), its fetch through the
// instruction cache or from memory, and each data access through the data
// cache, the write buffer or straight to memory, at the memory timing
// chosen. It knows nothing of the emulator: whoever runs the program tells
// it each instruction, each data access and each control-coprocessor write,
// in the order they happen, from one thread.
//
// A read that hits a data-cache line whose word no longer equals memory
// (someone else, the main core, wrote it since the line was filled) is a
// stale read: the program would act on old data on the handheld.
#pragma once

#include "cache.h"
#include "control_coprocessor.h"
#include "instruction_costs.h"
#include "memory_timing.h"
#include "write_buffer.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace sim::cycles {

struct CycleCounters {
    uint64_t instructions = 0;
    uint64_t cycles = 0;
    uint64_t icache_misses = 0;
    uint64_t dcache_misses = 0;
    uint64_t uncached_accesses = 0; // reads and writes that bypass the caches
    uint64_t write_buffer_stall_cycles = 0;
    uint64_t stale_reads = 0;
    uint64_t miss_cycles = 0;     // spent on line fills
    uint64_t uncached_cycles = 0; // spent waiting on uncached accesses
    uint64_t unknown_cache_operations = 0;
    // Of the instructions and cycles above, those spent while the program
    // had nothing to do (see set_idle).
    uint64_t idle_instructions = 0;
    uint64_t idle_cycles = 0;
    // Of the data-cache misses, those in video memory (texels, and the
    // pixels a blending type reads back), and of those the lines not
    // filled before since the last start_distinct_lines(): with a cache
    // as large as video memory only these would miss, the frame's floor.
    uint64_t video_fills = 0;
    uint64_t distinct_video_lines = 0;
};

struct StaleRead {
    uint32_t address = 0, pc = 0, cached = 0, memory = 0;
};

class CycleModel {
  public:
    // memory: the second core's memory as the emulator sees it, [0, bytes).
    CycleModel(const MemoryTiming& timing, const uint8_t* memory, uint32_t bytes);

    const MemoryTiming& timing() const { return timing_; }

    // The core comes out of reset: caches empty and off, the write buffer
    // empty, the protection unit off. The counters run on.
    void reset();
    // The program wrote the control coprocessor; state is its new contents.
    void control_changed(const ControlState& state);
    // An instruction at pc is about to run (executed: its condition passed;
    // rs_value: a multiply's Rs).
    void instruction(uint32_t pc, const InstructionCost& cost, bool executed, uint32_t rs_value,
                     uint32_t bytes);
    // A data access of the instruction last given, before it happens.
    void data_access(uint32_t address, uint32_t bytes, bool write, uint32_t value);
    // A write to the cache-operations register.
    void cache_operation(CacheOperation op, uint32_t value);
    // Whether the program has nothing to do from now on (it polls for work):
    // the cycles it spends so are counted apart, since they are not a
    // frame's cost and depend on how fast the other side feeds it.
    void set_idle(bool idle);
    // Notes each read of the word at address (the program's poll for work),
    // for whoever decides idleness: take_watched_read() says whether one
    // came since the last call.
    void watch_reads_of(uint32_t address) { watched_ = address; }
    // Starts counting distinct video lines afresh (at each frame).
    void start_distinct_lines() { ++generation_; }
    bool take_watched_read() {
        const bool seen = watched_read_;
        watched_read_ = false;
        return seen;
    }

    // On the modelling thread.
    const CycleCounters& counters() const { return counters_; }
    bool stale_seen() const { return stale_seen_; }
    const StaleRead& first_stale() const { return first_stale_; }

    // Copies the counters where another thread can read them; snapshot() is
    // that copy (each counter whole, the set as of a recent instruction).
    void publish();
    CycleCounters snapshot() const;
    bool published_stale(StaleRead& first) const;

  private:
    uint32_t memory_word(uint32_t address) const;
    void fetch(uint32_t pc, uint32_t bytes);
    void read(uint32_t address, uint32_t bytes);
    void write(uint32_t address, uint32_t bytes, uint32_t value);
    void fill_data_line(uint32_t address);
    void write_back(int slot);
    void stall_for_write_buffer(uint64_t cycles);
    Replacement replacement() const;

    const MemoryTiming& timing_;
    const uint8_t* memory_;
    uint32_t bytes_;
    ControlState control_;
    PageTable pages_;
    Cache icache_;
    Cache dcache_;
    WriteBuffer write_buffer_;
    CycleCounters counters_;

    // The instruction being run, for its accesses.
    uint32_t pc_ = 0;
    InstructionKind kind_ = InstructionKind::other;
    // The load-use interlock: registers a load delivers late, and after how
    // many cycles (the one before the last instruction too, for the
    // two-cycle loads).
    uint16_t late_ = 0, late_before_ = 0;
    uint8_t late_delay_ = 0;
    // Bursts: the last fetch from memory and the last data access of this
    // instruction, to tell sequential words from first ones.
    uint32_t next_fetch_ = 0xFFFFFFFFu;
    uint32_t fetch_line_ = 0xFFFFFFFFu; // the instruction cache line fetched last
    uint32_t next_data_ = 0xFFFFFFFFu;

    bool stale_seen_ = false;
    StaleRead first_stale_;

    uint32_t watched_ = 0xFFFFFFFFu;
    bool watched_read_ = false;
    bool idle_ = false;
    uint64_t idle_since_cycles_ = 0, idle_since_instructions_ = 0;

    // Per 16-byte line of memory, the generation it was last filled in.
    std::vector<uint32_t> filled_in_;
    uint32_t generation_ = 1;

    static constexpr int published_count = 14;
    std::atomic<uint64_t> published_[published_count];
    std::atomic<bool> published_stale_{false};
    std::atomic<uint32_t> published_stale_fields_[4];
};

} // namespace sim::cycles
