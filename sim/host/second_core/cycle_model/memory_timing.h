// What the handheld's memory costs the second core, in core cycles at
// 200 MHz: the first (non-sequential) access of a burst and each sequential
// word after it, for reads and for writes. Nothing here is measured on a
// handheld: the two settings are reasoned estimates, shared with the main
// core's cost meter so that both tools agree.
#pragma once

#include <cstdint>
#include <string>

namespace sim::cycles {

struct MemoryTiming {
    const char* name;
    uint32_t read_first;
    uint32_t read_sequential;
    uint32_t write_first;
    uint32_t write_sequential;
};

// The settings by name; null for an unknown one.
const MemoryTiming* find_memory_timing(const std::string& name);
// "plausible, pessimistic", for messages.
std::string memory_timing_names();
const MemoryTiming& default_memory_timing();

// A burst of words read or written.
inline uint32_t read_cycles(const MemoryTiming& t, uint32_t words) {
    return words == 0 ? 0 : t.read_first + (words - 1) * t.read_sequential;
}
inline uint32_t write_cycles(const MemoryTiming& t, uint32_t words) {
    return words == 0 ? 0 : t.write_first + (words - 1) * t.write_sequential;
}

} // namespace sim::cycles
