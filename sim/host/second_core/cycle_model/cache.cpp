#include "cache.h"

#include <algorithm>
#include <cstring>

namespace sim::cycles {

Cache::Cache(const CacheGeometry& geometry, uint32_t memory_bytes)
    : geometry_(geometry), memory_bytes_(memory_bytes),
      lines_(size_t{geometry.segments} * geometry.ways),
      words_(lines_.size() * (geometry.line_bytes / 4)),
      slot_of_line_(memory_bytes / geometry.line_bytes, -1), next_victim_(geometry.segments, 0) {}

int Cache::find(uint32_t address) const {
    if (address >= memory_bytes_) return -1;
    return slot_of_line_[address / geometry_.line_bytes];
}

Lockdown lockdown_of(uint32_t register_value) {
    // Bits 5 to 0 the index, bit 31 the load bit.
    return Lockdown{register_value & 63u, (register_value >> 31) != 0};
}

int Cache::victim(uint32_t address, Replacement replacement, Lockdown lockdown) {
    const uint32_t segment = segment_of(address);
    // At least one line stays free to replace.
    const uint32_t base = lockdown.base < geometry_.ways ? lockdown.base : geometry_.ways - 1;
    if (lockdown.load) return slot_at(segment, base);
    uint32_t index;
    if (replacement == Replacement::round_robin) {
        index = next_victim_[segment] < base ? base : next_victim_[segment];
        next_victim_[segment] = index + 1 < geometry_.ways ? index + 1 : base;
    } else {
        random_state_ ^= random_state_ << 13;
        random_state_ ^= random_state_ >> 17;
        random_state_ ^= random_state_ << 5;
        index = base + random_state_ % (geometry_.ways - base);
    }
    return slot_at(segment, index);
}

void Cache::fill(int slot, uint32_t address, const uint32_t* words) {
    invalidate(slot);
    Line& l = lines_[slot];
    l.address = line_address(address);
    l.valid = true;
    l.dirty = false;
    std::memcpy(this->words(slot), words, geometry_.line_bytes);
    if (l.address < memory_bytes_) slot_of_line_[l.address / geometry_.line_bytes] = slot;
}

void Cache::invalidate(int slot) {
    Line& l = lines_[slot];
    if (l.valid && l.address < memory_bytes_) slot_of_line_[l.address / geometry_.line_bytes] = -1;
    l.valid = false;
    l.dirty = false;
}

void Cache::invalidate_all() {
    for (size_t s = 0; s < lines_.size(); ++s)
        invalidate(static_cast<int>(s));
}

int Cache::slot_at(uint32_t segment, uint32_t index) const {
    return static_cast<int>((segment % geometry_.segments) * geometry_.ways +
                            index % geometry_.ways);
}

} // namespace sim::cycles
