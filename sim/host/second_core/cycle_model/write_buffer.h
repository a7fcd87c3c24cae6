// The core's write buffer as a queue in time: each entry is one address
// and its words (a single store, up to four sequential words of a store
// multiple within one 16-byte group, or a written-back cache line), and
// memory empties the entries one after the other at its own pace while the
// core runs on. The core stalls when it needs an address or data slot that
// is taken, and when it must wait for the buffer to empty (an uncached read,
// a line fill, a drain).
#pragma once

#include <cstdint>
#include <deque>

namespace sim::cycles {

struct WriteBufferGeometry {
    uint32_t addresses = 4;
    uint32_t words = 8;
};

class WriteBuffer {
  public:
    explicit WriteBuffer(const WriteBufferGeometry& geometry) : geometry_(geometry) {}

    // A new entry of `words` words taking `cost` memory cycles, made at
    // core time `now`. Returns the cycles the core stalls for room.
    uint64_t push(uint64_t now, uint32_t words, uint32_t cost);
    // One more word for the newest entry (a store multiple within its
    // group), at `cost` more cycles. Returns the stall for a data slot.
    uint64_t extend(uint64_t now, uint32_t cost);
    // The cycles from now until every entry is in memory.
    uint64_t drain(uint64_t now);
    bool empty(uint64_t now);

  private:
    struct Entry {
        uint32_t words;
        uint64_t done_at; // core time at which memory has taken it
    };
    void retire(uint64_t now);
    uint64_t wait_for_oldest(uint64_t now);

    WriteBufferGeometry geometry_;
    std::deque<Entry> entries_;
    uint32_t words_held_ = 0;
};

} // namespace sim::cycles
