#include "cycle_model.h"

#include "memory_map.h"

#include <cstring>

namespace sim::cycles {
namespace {

// The second core's caches: 4 KiB each, 16-byte lines, four segments of 64.
const CacheGeometry cache_geometry{16, 4, 64};
// Its write buffer: four addresses, eight words.
const WriteBufferGeometry write_buffer_geometry{4, 8};

uint8_t page_of(const PageTable& pages, Side side, uint32_t address) {
    const std::vector<uint8_t>& bits = pages.bits[static_cast<int>(side)];
    const size_t page = address / page_bytes;
    return page < bits.size() ? bits[page] : 0;
}

} // namespace

CycleModel::CycleModel(const MemoryTiming& timing, const uint8_t* memory, uint32_t bytes)
    : timing_(timing), memory_(memory), bytes_(bytes), icache_(cache_geometry, bytes),
      dcache_(cache_geometry, bytes), write_buffer_(write_buffer_geometry),
      filled_in_(bytes / 16, 0) {
    for (auto& p : published_)
        p.store(0);
    for (auto& p : published_stale_fields_)
        p.store(0);
    reset();
}

void CycleModel::reset() {
    control_ = ControlState{};
    fill_page_table(control_, bytes_, pages_);
    icache_.invalidate_all();
    dcache_.invalidate_all();
    write_buffer_.drain(counters_.cycles);
    late_ = late_before_ = 0;
    next_fetch_ = fetch_line_ = next_data_ = 0xFFFFFFFFu;
}

void CycleModel::control_changed(const ControlState& state) {
    control_ = state;
    fill_page_table(control_, bytes_, pages_);
    // A cache turned on or a region changed: the next fetch looks again.
    fetch_line_ = 0xFFFFFFFFu;
}

Replacement CycleModel::replacement() const {
    return (control_.control & control_round_robin) != 0 ? Replacement::round_robin
                                                         : Replacement::random;
}

uint32_t CycleModel::memory_word(uint32_t address) const {
    uint32_t word = 0;
    const uint32_t at = address & ~3u;
    if (at <= bytes_ - 4) std::memcpy(&word, memory_ + at, 4);
    return word;
}

void CycleModel::stall_for_write_buffer(uint64_t cycles) {
    counters_.cycles += cycles;
    counters_.write_buffer_stall_cycles += cycles;
}

void CycleModel::instruction(uint32_t pc, const InstructionCost& cost, bool executed,
                             uint32_t rs_value, uint32_t bytes) {
    ++counters_.instructions;
    fetch(pc, bytes);
    pc_ = pc;
    kind_ = executed ? cost.kind : InstructionKind::other;
    next_data_ = 0xFFFFFFFFu;
    if (!executed) {
        counters_.cycles += 1;
        late_before_ = late_delay_ == 2 ? late_ : 0;
        late_ = 0;
        return;
    }
    uint64_t cycles = cost.cycles;
    // Load-use interlock: the registers this one reads that a load just
    // before still has in flight.
    uint32_t interlock = 0;
    if ((cost.reads & late_) != 0)
        interlock = late_delay_;
    else if ((cost.reads & late_before_) != 0)
        interlock = 1;
    cycles += interlock;
    if (cost.kind == InstructionKind::multiply)
        cycles += multiplier_iterations(rs_value, false);
    else if (cost.kind == InstructionKind::multiply_long)
        cycles += multiplier_iterations(rs_value, cost.is_unsigned_long);
    counters_.cycles += cycles;
    // A two-cycle load still holds the instruction after next by one cycle,
    // unless this instruction already waited for it.
    late_before_ = late_delay_ == 2 && interlock == 0 ? late_ : 0;
    late_ = cost.late;
    late_delay_ = cost.late_delay;
}

void CycleModel::fetch(uint32_t pc, uint32_t bytes) {
    const uint8_t page = page_of(pages_, Side::instruction, pc);
    if ((page & page_cacheable) != 0) {
        const uint32_t line = icache_.line_address(pc);
        // Fetches within the line fetched last cannot miss: nothing else
        // fills the instruction cache in between.
        if (line == fetch_line_) return;
        fetch_line_ = line;
        if (icache_.find(pc) >= 0) return;
        // The bus is shared with the write buffer: the fill waits for it.
        const uint64_t stall = write_buffer_.drain(counters_.cycles);
        stall_for_write_buffer(stall);
        static const uint32_t no_words[4] = {};
        icache_.fill(icache_.victim(pc, replacement(), lockdown_of(control_.lockdown[1])), pc,
                     no_words);
        const uint32_t fill = read_cycles(timing_, icache_.words_per_line());
        counters_.cycles += fill;
        counters_.miss_cycles += fill;
        ++counters_.icache_misses;
        next_fetch_ = 0xFFFFFFFFu;
        return;
    }
    fetch_line_ = 0xFFFFFFFFu;
    // From memory, a word at a time: sequential words of a run of code cost
    // the sequential time, the first after a branch (or after a data access
    // used the bus) the full one. The instruction's own cycle covers one.
    stall_for_write_buffer(write_buffer_.drain(counters_.cycles));
    const uint32_t cost = pc == next_fetch_ ? timing_.read_sequential : timing_.read_first;
    counters_.cycles += cost - 1;
    counters_.uncached_cycles += cost - 1;
    ++counters_.uncached_accesses;
    next_fetch_ = pc + bytes;
}

void CycleModel::data_access(uint32_t address, uint32_t bytes, bool is_write, uint32_t value) {
    if (is_write)
        write(address, bytes, value);
    else
        read(address, bytes);
    next_data_ = (address & ~3u) + 4;
}

void CycleModel::fill_data_line(uint32_t address) {
    stall_for_write_buffer(write_buffer_.drain(counters_.cycles));
    const int slot = dcache_.victim(address, replacement(), lockdown_of(control_.lockdown[0]));
    const bool dirty = dcache_.line(slot).valid && dcache_.line(slot).dirty;
    uint32_t words[4];
    const uint32_t line = dcache_.line_address(address);
    for (uint32_t i = 0; i < 4; ++i)
        words[i] = memory_word(line + 4 * i);
    dcache_.fill(slot, address, words);
    const uint32_t fill = read_cycles(timing_, dcache_.words_per_line());
    counters_.cycles += fill;
    counters_.miss_cycles += fill;
    ++counters_.dcache_misses;
    if (line >= second_core::video_memory_base && line / 16 < filled_in_.size()) {
        ++counters_.video_fills;
        uint32_t& generation = filled_in_[line / 16];
        if (generation != generation_) {
            generation = generation_;
            ++counters_.distinct_video_lines;
        }
    }
    // The dirty victim leaves through the write buffer (one address, four
    // words) while the core goes on.
    if (dirty)
        stall_for_write_buffer(write_buffer_.push(counters_.cycles, 4, write_cycles(timing_, 4)));
}

void CycleModel::read(uint32_t address, uint32_t bytes) {
    if ((address & ~3u) == watched_) watched_read_ = true;
    const uint8_t page = page_of(pages_, Side::data, address);
    const bool burst = address == next_data_ && (kind_ == InstructionKind::load_multiple);
    if ((page & page_cacheable) != 0) {
        const int slot = dcache_.find(address);
        if (slot < 0) {
            fill_data_line(address);
            return;
        }
        const uint32_t cached = dcache_.words(slot)[(address & 15u) / 4];
        const uint32_t memory = memory_word(address);
        const uint32_t shift = (address & 3u) * 8;
        const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : ((1u << (8 * bytes)) - 1) << shift;
        if (((cached ^ memory) & mask) != 0) {
            ++counters_.stale_reads;
            if (!stale_seen_) {
                stale_seen_ = true;
                first_stale_ = {address, pc_, cached, memory};
            }
        }
        return;
    }
    // An uncached read of a bufferable region waits for the write buffer
    // to empty (it may hold the very word); an unbuffered region's read
    // goes past it straight to memory.
    if ((page & page_bufferable) != 0)
        stall_for_write_buffer(write_buffer_.drain(counters_.cycles));
    const uint32_t cost = burst ? timing_.read_sequential : timing_.read_first;
    counters_.cycles += cost - 1;
    counters_.uncached_cycles += cost - 1;
    ++counters_.uncached_accesses;
    next_fetch_ = 0xFFFFFFFFu; // the bus left the code
}

void CycleModel::write(uint32_t address, uint32_t bytes, uint32_t value) {
    const uint8_t page = page_of(pages_, Side::data, address);
    const bool cacheable = (page & page_cacheable) != 0;
    const bool bufferable = (page & page_bufferable) != 0;
    if (cacheable) {
        const int slot = dcache_.find(address);
        if (slot >= 0) {
            // The line takes the new bytes, so it still equals memory once
            // the emulator has done the store.
            uint32_t& word = dcache_.words(slot)[(address & 15u) / 4];
            const uint32_t shift = (address & 3u) * 8;
            const uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : ((1u << (8 * bytes)) - 1) << shift;
            word = (word & ~mask) | ((value << shift) & mask);
            // Write-back: the line holds it and nothing goes out yet.
            if (bufferable) {
                dcache_.line(slot).dirty = true;
                return;
            }
        }
    }
    // Write-through, a write miss or an uncached bufferable write goes into
    // the write buffer; a store multiple's words within one 16-byte group
    // share an address slot.
    const bool burst =
        kind_ == InstructionKind::store_multiple && address == next_data_ && (address & 15u) != 0;
    if (cacheable || bufferable) {
        const uint64_t stall =
            burst ? write_buffer_.extend(counters_.cycles, timing_.write_sequential)
                  : write_buffer_.push(counters_.cycles, 1, timing_.write_first);
        stall_for_write_buffer(stall);
        if (!cacheable) ++counters_.uncached_accesses;
        return;
    }
    // Neither: the core waits for the buffer and then for the write itself.
    stall_for_write_buffer(write_buffer_.drain(counters_.cycles));
    const uint32_t cost = burst ? timing_.write_sequential : timing_.write_first;
    counters_.cycles += cost - 1;
    counters_.uncached_cycles += cost - 1;
    ++counters_.uncached_accesses;
    next_fetch_ = 0xFFFFFFFFu;
}

void CycleModel::write_back(int slot) {
    Cache::Line& line = dcache_.line(slot);
    if (!line.valid || !line.dirty) return;
    line.dirty = false;
    stall_for_write_buffer(write_buffer_.push(counters_.cycles, 4, write_cycles(timing_, 4)));
}

void CycleModel::cache_operation(CacheOperation op, uint32_t value) {
    // Index/segment operations: index in bits 31 to 26, segment in 5 and 4.
    const uint32_t index = value >> 26, segment = (value >> 4) & 3u;
    switch (op) {
    case CacheOperation::invalidate_icache:
        icache_.invalidate_all();
        fetch_line_ = 0xFFFFFFFFu;
        break;
    case CacheOperation::invalidate_icache_entry:
        icache_.invalidate(icache_.slot_at(segment, index));
        fetch_line_ = 0xFFFFFFFFu;
        break;
    case CacheOperation::prefetch_icache_line:
        if ((page_of(pages_, Side::instruction, value) & page_cacheable) != 0 &&
            icache_.find(value) < 0) {
            static const uint32_t no_words[4] = {};
            icache_.fill(icache_.victim(value, replacement(), lockdown_of(control_.lockdown[1])),
                         value, no_words);
            const uint32_t fill = read_cycles(timing_, icache_.words_per_line());
            counters_.cycles += fill;
            counters_.miss_cycles += fill;
            ++counters_.icache_misses;
        }
        break;
    case CacheOperation::invalidate_dcache:
        dcache_.invalidate_all();
        break;
    case CacheOperation::invalidate_dcache_entry:
        dcache_.invalidate(dcache_.slot_at(segment, index));
        break;
    case CacheOperation::clean_dcache_entry:
        write_back(dcache_.slot_at(segment, index));
        break;
    case CacheOperation::clean_invalidate_dcache_entry: {
        const int slot = dcache_.slot_at(segment, index);
        write_back(slot);
        dcache_.invalidate(slot);
        break;
    }
    case CacheOperation::drain_write_buffer:
        stall_for_write_buffer(write_buffer_.drain(counters_.cycles));
        break;
    case CacheOperation::unknown:
        ++counters_.unknown_cache_operations;
        break;
    case CacheOperation::wait_for_interrupt:
    case CacheOperation::none:
        break;
    }
}

void CycleModel::set_idle(bool idle) {
    if (idle == idle_) return;
    if (idle) {
        idle_since_cycles_ = counters_.cycles;
        idle_since_instructions_ = counters_.instructions;
    } else {
        counters_.idle_cycles += counters_.cycles - idle_since_cycles_;
        counters_.idle_instructions += counters_.instructions - idle_since_instructions_;
    }
    idle_ = idle;
}

void CycleModel::publish() {
    const CycleCounters& c = counters_;
    // An idle stretch still open counts as far as it has gone.
    const uint64_t idle_cycles = c.idle_cycles + (idle_ ? c.cycles - idle_since_cycles_ : 0);
    const uint64_t idle_instructions =
        c.idle_instructions + (idle_ ? c.instructions - idle_since_instructions_ : 0);
    const uint64_t values[published_count] = {c.instructions,      c.cycles,
                                              c.icache_misses,     c.dcache_misses,
                                              c.uncached_accesses, c.write_buffer_stall_cycles,
                                              c.stale_reads,       c.miss_cycles,
                                              c.uncached_cycles,   c.unknown_cache_operations,
                                              idle_instructions,   idle_cycles,
                                              c.video_fills,       c.distinct_video_lines};
    for (int i = 0; i < published_count; ++i)
        published_[i].store(values[i], std::memory_order_relaxed);
    if (stale_seen_ && !published_stale_.load(std::memory_order_relaxed)) {
        published_stale_fields_[0].store(first_stale_.address, std::memory_order_relaxed);
        published_stale_fields_[1].store(first_stale_.pc, std::memory_order_relaxed);
        published_stale_fields_[2].store(first_stale_.cached, std::memory_order_relaxed);
        published_stale_fields_[3].store(first_stale_.memory, std::memory_order_relaxed);
        published_stale_.store(true, std::memory_order_release);
    }
}

CycleCounters CycleModel::snapshot() const {
    CycleCounters c;
    uint64_t* fields[published_count] = {&c.instructions,      &c.cycles,
                                         &c.icache_misses,     &c.dcache_misses,
                                         &c.uncached_accesses, &c.write_buffer_stall_cycles,
                                         &c.stale_reads,       &c.miss_cycles,
                                         &c.uncached_cycles,   &c.unknown_cache_operations,
                                         &c.idle_instructions, &c.idle_cycles,
                                         &c.video_fills,       &c.distinct_video_lines};
    for (int i = 0; i < published_count; ++i)
        *fields[i] = published_[i].load(std::memory_order_relaxed);
    return c;
}

bool CycleModel::published_stale(StaleRead& first) const {
    if (!published_stale_.load(std::memory_order_acquire)) return false;
    first = {published_stale_fields_[0].load(std::memory_order_relaxed),
             published_stale_fields_[1].load(std::memory_order_relaxed),
             published_stale_fields_[2].load(std::memory_order_relaxed),
             published_stale_fields_[3].load(std::memory_order_relaxed)};
    return true;
}

} // namespace sim::cycles
