#include "memory_timing.h"

namespace sim::cycles {
namespace {

// plausible: SDRAM behind a bus at half the core's clock, a row already
// open most of the time: 10 cycles to the first word, 2 for each following
// one (a 16-byte line in 16). pessimistic: a slow bus and a row to open on
// nearly every burst: 24, then 6 a word (a line in 42).
const MemoryTiming timings[] = {
    {"plausible", 10, 2, 10, 2},
    {"pessimistic", 24, 6, 24, 6},
};

} // namespace

const MemoryTiming* find_memory_timing(const std::string& name) {
    for (const MemoryTiming& t : timings)
        if (name == t.name) return &t;
    return nullptr;
}

std::string memory_timing_names() {
    std::string names;
    for (const MemoryTiming& t : timings)
        names += (names.empty() ? "" : ", ") + std::string(t.name);
    return names;
}

const MemoryTiming& default_memory_timing() {
    return timings[0];
}

} // namespace sim::cycles
