// The second core's protection regions: what its program may touch and how
// each piece is cached, as the start code programs the protection unit
// (memory_setup.cpp). Second-core address A is physical 0x02000000 + A.
//
// The core has eight regions for instruction fetches and eight for data
// accesses. A region is a power of two in size, at least 4 KiB, aligned to
// its size; where enabled regions overlap, the higher-numbered one decides;
// an access that no enabled region covers aborts. Each side has its own
// cacheable bits and access permissions; the bufferable bits are the data
// side's alone (the instruction side never writes).
//
// The data side's cacheable (C) and bufferable (B) bits pick one of four
// behaviours: neither, uncached and unbuffered (every access goes to memory,
// a write waits for it); B alone, uncached but buffered; C alone, write-
// through (reads allocate lines, every write also goes out through the
// write buffer, no line is ever dirty); both, write-back (writes that hit
// only mark the line dirty).
#pragma once

#include <cstdint>

namespace second_core {

// Access permissions, the two-bit encoding of the protection unit.
enum class Access : uint8_t {
    none = 0,       // every access aborts
    privileged = 1, // privileged modes only: the program runs in supervisor mode
    user_read = 2,  // privileged read and write, user mode read only
    full = 3,
};

struct RegionSide {
    bool enabled;
    bool cacheable;
    bool bufferable; // data side only
    Access access;
};

struct Region {
    uint32_t base;
    uint32_t size_log2; // 12 (4 KiB) to 32 (4 GiB)
    RegionSide instruction;
    RegionSide data;
};

inline constexpr RegionSide no_fetch = {false, false, false, Access::none};
inline constexpr RegionSide cached_code = {true, true, false, Access::privileged};
inline constexpr RegionSide write_back = {true, true, true, Access::privileged};
inline constexpr RegionSide write_through = {true, true, false, Access::privileged};
inline constexpr RegionSide uncached = {true, false, false, Access::privileged};
inline constexpr RegionSide forbidden = {true, false, false, Access::none};

// The table, lowest priority first. Why each region is what it is:
inline constexpr Region memory_regions[8] = {
    // 0: the program's MiB (code, constants, data, stack). No other agent
    // touches it while the program runs (the loader writes it only with the
    // core held), so code is cached and data written back.
    {0x00000000, 20, cached_code, write_back},
    // 1: the FIFO ring, its indexes and the report words. Both cores write
    // and poll these words one at a time: uncached, so a read always sees
    // memory, and unbuffered, so a write leaves the core at once.
    {0x00100000, 20, no_fetch, uncached},
    // 2 to 5: video memory (0x200000 to 0x1EFFFFF) in the four power-of-two
    // pieces that tile it. Texels and depth are read through the cache;
    // every write goes through to memory, so no line ever holds shared data
    // that memory lacks; lines the client may have rewritten are dropped
    // when it publishes new commands (the coherence layer).
    {0x00200000, 21, no_fetch, write_through},
    {0x00400000, 22, no_fetch, write_through},
    {0x00800000, 23, no_fetch, write_through},
    {0x01000000, 24, no_fetch, write_through},
    // 6: the MiB from 0x1F00000, where region 5 runs past video memory into
    // the reserved tail and beyond the shared area: no access, overriding 5.
    {0x01F00000, 20, no_fetch, forbidden},
    // 7: the display mailbox's 4 KiB at the start of the reserved tail,
    // polled by both cores word by word like region 1: uncached, unbuffered.
    {0x01F00000, 12, no_fetch, uncached},
};

// Landmarks of the second core's view of memory.
inline constexpr uint32_t program_end = 0x00100000;
inline constexpr uint32_t shared_area_base = 0x00100000;
inline constexpr uint32_t video_memory_base = 0x00200000;
inline constexpr uint32_t video_memory_end = 0x01F00000;
inline constexpr uint32_t mailbox_base = 0x01F00000;

// The base and size register of a region side: base in bits 31 to 12, size
// as log2(bytes) - 1 in bits 5 to 1, enable in bit 0.
constexpr uint32_t region_register(const Region& r, const RegionSide& side) {
    if (!side.enabled) return 0;
    return r.base | (r.size_log2 - 1) << 1 | 1u;
}

// The per-region bit masks of the attribute registers (bit n for region n;
// two bits per region for the access permissions).
constexpr uint32_t cacheable_bits(bool data) {
    uint32_t bits = 0;
    for (unsigned n = 0; n < 8; ++n) {
        const RegionSide& s = data ? memory_regions[n].data : memory_regions[n].instruction;
        if (s.enabled && s.cacheable) bits |= 1u << n;
    }
    return bits;
}
constexpr uint32_t bufferable_bits() {
    uint32_t bits = 0;
    for (unsigned n = 0; n < 8; ++n)
        if (memory_regions[n].data.enabled && memory_regions[n].data.bufferable) bits |= 1u << n;
    return bits;
}
constexpr uint32_t access_bits(bool data) {
    uint32_t bits = 0;
    for (unsigned n = 0; n < 8; ++n) {
        const RegionSide& s = data ? memory_regions[n].data : memory_regions[n].instruction;
        if (s.enabled) bits |= static_cast<uint32_t>(s.access) << (2 * n);
    }
    return bits;
}

// The region that decides an access to `address` on one side: the
// highest-numbered enabled region covering it, or -1 (the access aborts).
constexpr int deciding_region(uint32_t address, bool data) {
    for (int n = 7; n >= 0; --n) {
        const Region& r = memory_regions[n];
        const RegionSide& s = data ? r.data : r.instruction;
        const uint64_t end = static_cast<uint64_t>(r.base) + (uint64_t{1} << r.size_log2);
        if (s.enabled && address >= r.base && address < end) return n;
    }
    return -1;
}

constexpr bool regions_aligned() {
    for (const Region& r : memory_regions) {
        if (r.size_log2 < 12 || r.size_log2 > 32) return false;
        if (r.size_log2 < 32 && (r.base & ((uint64_t{1} << r.size_log2) - 1)) != 0) return false;
    }
    return true;
}
static_assert(regions_aligned(), "a region's base must be aligned to its size");

} // namespace second_core
