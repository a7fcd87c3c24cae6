// One of the core's two caches as plain state: lines of line_bytes in
// `segments` segments of `ways` lines each, the segment chosen by the
// address bits just above the line offset and any line of the segment able
// to hold any address of it (64-way on the second core). It allocates on
// read misses only; the caller decides when to look up, fill and write
// back. A data cache keeps, for each line, the words it held when filled
// (and as the core wrote them since), so that a read can tell when memory
// changed under the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::cycles {

struct CacheGeometry {
    uint32_t line_bytes = 16;
    uint32_t segments = 4;
    uint32_t ways = 64;
};

enum class Replacement { random, round_robin };

// The lockdown register (c9) as replacement sees it: lines 0 to base - 1 of
// every segment are locked and never chosen; with the load bit set every
// fill goes to line `base` of its segment (how the program puts the lines
// to lock there).
struct Lockdown {
    uint32_t base = 0;
    bool load = false;
};
Lockdown lockdown_of(uint32_t register_value);

class Cache {
  public:
    struct Line {
        uint32_t address = 0; // of its first byte
        bool valid = false;
        bool dirty = false;
    };

    // memory_bytes: the addresses it can be asked about, [0, memory_bytes).
    Cache(const CacheGeometry& geometry, uint32_t memory_bytes);

    const CacheGeometry& geometry() const { return geometry_; }
    uint32_t words_per_line() const { return geometry_.line_bytes / 4; }
    uint32_t line_address(uint32_t address) const { return address & ~(geometry_.line_bytes - 1); }

    // The slot holding address's line, or -1.
    int find(uint32_t address) const;
    // The slot a fill of address's line replaces (valid or not), chosen
    // within its segment among the lines lockdown leaves free: the next in
    // turn (round robin) or at random.
    int victim(uint32_t address, Replacement replacement, Lockdown lockdown = {});
    // Puts address's line into slot (after the caller wrote back its old
    // contents if dirty), with its words from memory.
    void fill(int slot, uint32_t address, const uint32_t* words);
    void invalidate(int slot);
    void invalidate_all();

    // Slot of segment and index as the index/segment cache operations name
    // them.
    int slot_at(uint32_t segment, uint32_t index) const;

    Line& line(int slot) { return lines_[slot]; }
    const Line& line(int slot) const { return lines_[slot]; }
    uint32_t* words(int slot) { return &words_[std::size_t(slot) * words_per_line()]; }

  private:
    uint32_t segment_of(uint32_t address) const {
        return (address / geometry_.line_bytes) % geometry_.segments;
    }

    CacheGeometry geometry_;
    uint32_t memory_bytes_;
    std::vector<Line> lines_;            // segment by segment
    std::vector<uint32_t> words_;        // words_per_line() a slot
    std::vector<int32_t> slot_of_line_;  // by line number; -1 when not held
    std::vector<uint32_t> next_victim_;  // by segment, round robin
    uint32_t random_state_ = 0x2545F491; // xorshift, fixed for repeatable runs
};

} // namespace sim::cycles
