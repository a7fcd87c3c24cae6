#include "write_buffer.h"

#include <algorithm>

namespace sim::cycles {

void WriteBuffer::retire(uint64_t now) {
    while (!entries_.empty() && entries_.front().done_at <= now) {
        words_held_ -= entries_.front().words;
        entries_.pop_front();
    }
}

uint64_t WriteBuffer::wait_for_oldest(uint64_t now) {
    const uint64_t until = entries_.front().done_at;
    retire(until);
    return until > now ? until - now : 0;
}

uint64_t WriteBuffer::push(uint64_t now, uint32_t words, uint32_t cost) {
    retire(now);
    uint64_t stall = 0;
    while (!entries_.empty() &&
           (entries_.size() >= geometry_.addresses || words_held_ + words > geometry_.words))
        stall += wait_for_oldest(now + stall);
    const uint64_t at = now + stall;
    // Memory takes the entries in order: this one starts when the one
    // before is done, or now.
    const uint64_t start = entries_.empty() ? at : std::max(at, entries_.back().done_at);
    entries_.push_back({words, start + cost});
    words_held_ += words;
    return stall;
}

uint64_t WriteBuffer::extend(uint64_t now, uint32_t cost) {
    retire(now);
    if (entries_.empty()) return push(now, 1, cost);
    // The newest entry cannot grow past the data slots: the rest of the
    // group then goes into an entry of its own once there is room.
    if (words_held_ + 1 > geometry_.words) return push(now, 1, cost);
    entries_.back().words += 1;
    entries_.back().done_at += cost;
    words_held_ += 1;
    return 0;
}

uint64_t WriteBuffer::drain(uint64_t now) {
    retire(now);
    if (entries_.empty()) return 0;
    const uint64_t until = entries_.back().done_at;
    entries_.clear();
    words_held_ = 0;
    return until > now ? until - now : 0;
}

bool WriteBuffer::empty(uint64_t now) {
    retire(now);
    return entries_.empty();
}

} // namespace sim::cycles
