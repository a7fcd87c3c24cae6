// The second core's control coprocessor (CP15) as an ARM940T-class core has
// it: the control register, and a protection unit of eight regions kept
// apart for instruction fetches and data accesses, each side with its own
// cacheable and access bits (and the data side its bufferable bits). Plain
// data, changed only by the writes the program makes, read by the
// emulator's protection and by the cycle model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::cycles {

enum class Side { data = 0, instruction = 1 };

struct ControlState {
    uint32_t control = 0x78;        // c1: bits 3 to 6 read as one, everything else off
    uint32_t cacheable[2] = {0, 0}; // c2, by Side: bit n for region n
    uint32_t bufferable = 0;        // c3, data side only
    uint32_t access[2] = {0, 0};    // c5, by Side: two bits a region
    uint32_t region[2][8] = {};     // c6, by Side: base, size, enable
    uint32_t lockdown[2] = {0, 0};  // c9, by Side
};

// Control register bits.
constexpr uint32_t control_protection = 1u << 0;
constexpr uint32_t control_dcache = 1u << 2;
constexpr uint32_t control_icache = 1u << 12;
constexpr uint32_t control_high_vectors = 1u << 13;
constexpr uint32_t control_round_robin = 1u << 14;
constexpr uint32_t control_not_fastbus = 1u << 30;
constexpr uint32_t control_async_clock = 1u << 31;

// The clocking mode in control bits 31 and 30.
enum class ClockMode { fastbus, synchronous, asynchronous, reserved };
ClockMode clock_mode(const ControlState& state);
const char* clock_mode_name(ClockMode mode);

// What a write to the cache-operations register (c7) asks for.
enum class CacheOperation {
    none,
    invalidate_icache,             // c7, c5, 0
    invalidate_icache_entry,       // c7, c5, 2: by segment and index
    prefetch_icache_line,          // c7, c13, 1: by address
    invalidate_dcache,             // c7, c6, 0
    invalidate_dcache_entry,       // c7, c6, 2
    clean_dcache_entry,            // c7, c10, 2
    clean_invalidate_dcache_entry, // c7, c14, 2
    drain_write_buffer,            // c7, c10, 4
    wait_for_interrupt,            // c7, c0, 4
    unknown,                       // any other c7 write: not an operation of this core
};

// One MCR to CP15: the fields of the instruction and the value written.
struct Cp15Write {
    uint32_t crn = 0, crm = 0, op2 = 0, value = 0;
};

// The effect of a write on the state, and what it asks of the caches.
struct WriteEffect {
    bool protection_changed = false; // regions, access bits or the enable
    bool attributes_changed = false; // anything a page's attributes come from
    CacheOperation cache_operation = CacheOperation::none;
};
WriteEffect apply_write(ControlState& state, const Cp15Write& write);

// An ARM instruction word that is an MCR to CP15 (any condition), decoded.
bool decode_cp15_write(uint32_t word, uint32_t& rd, Cp15Write& write);

// What one side of the protection unit makes of an address: whether a
// privileged access is allowed, and (with the unit and the caches on) how
// it is cached. With the unit off everything is allowed and nothing cached
// or buffered.
struct Attributes {
    bool permitted = true;
    bool cacheable = false; // cacheable bit and that side's cache enabled
    bool bufferable = false;
};
Attributes attributes(const ControlState& state, Side side, uint32_t address);

// The attributes of every 4 KiB page of [0, bytes), for both sides: regions
// are at least 4 KiB and aligned to their size, so a page never straddles
// two. Bit layout in page_bits below.
constexpr uint32_t page_bytes = 4096;
constexpr uint8_t page_permitted = 1, page_cacheable = 2, page_bufferable = 4;
struct PageTable {
    std::vector<uint8_t> bits[2]; // by Side
};
void fill_page_table(const ControlState& state, size_t bytes, PageTable& table);

// Runs of pages with the same permissions for both sides, for an engine
// that protects memory by page: read/write for the data side, execute for
// the instruction side.
struct PermissionRun {
    uint32_t start = 0, bytes = 0;
    bool data = true, fetch = true;
};
std::vector<PermissionRun> permission_runs(const PageTable& table);

} // namespace sim::cycles
