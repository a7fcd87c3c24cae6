#include "control_coprocessor.h"

namespace sim::cycles {
namespace {

uint32_t side_index(Side side) {
    return static_cast<uint32_t>(side);
}

// A region register: bit 0 enables it, bits 5 to 1 hold N for a size of
// 2^(N+1) bytes, bits 31 to 12 the base, which must be a multiple of the
// size (the low bits of a misaligned base are ignored, as the core's
// comparison ignores them).
bool region_holds(uint32_t reg, uint32_t address) {
    if ((reg & 1u) == 0) return false;
    const uint32_t n = (reg >> 1) & 0x1Fu;
    if (n < 11) return false; // below 4 KiB: unpredictable, taken as no region
    const uint64_t size = uint64_t{1} << (n + 1);
    const uint64_t mask = ~(size - 1);
    return (uint64_t{address} & mask) == (uint64_t{reg & 0xFFFFF000u} & mask);
}

} // namespace

ClockMode clock_mode(const ControlState& state) {
    switch (state.control >> 30) {
    case 0:
        return ClockMode::fastbus;
    case 1:
        return ClockMode::synchronous;
    case 3:
        return ClockMode::asynchronous;
    default:
        return ClockMode::reserved;
    }
}

const char* clock_mode_name(ClockMode mode) {
    switch (mode) {
    case ClockMode::fastbus:
        return "fastbus";
    case ClockMode::synchronous:
        return "synchronous";
    case ClockMode::asynchronous:
        return "asynchronous";
    default:
        return "reserved";
    }
}

bool decode_cp15_write(uint32_t word, uint32_t& rd, Cp15Write& write) {
    // cond 1110 opc1 0 CRn Rd 1111 opc2 1 CRm, with opc1 0.
    if ((word & 0x0FF00F10u) != 0x0E000F10u) return false;
    rd = (word >> 12) & 0xFu;
    write.crn = (word >> 16) & 0xFu;
    write.crm = word & 0xFu;
    write.op2 = (word >> 5) & 0x7u;
    return true;
}

WriteEffect apply_write(ControlState& s, const Cp15Write& w) {
    WriteEffect effect;
    const uint32_t side = w.op2 & 1u; // 0 data, 1 instruction
    switch (w.crn) {
    case 1:
        if (w.crm == 0 && w.op2 == 0) {
            // Bits 3 to 6 always read as one.
            const uint32_t value = w.value | 0x78u;
            effect.protection_changed = ((value ^ s.control) & control_protection) != 0;
            effect.attributes_changed = (value ^ s.control) != 0;
            s.control = value;
        }
        break;
    case 2:
        if (w.crm == 0 && w.op2 <= 1) {
            s.cacheable[side] = w.value & 0xFFu;
            effect.attributes_changed = true;
        }
        break;
    case 3:
        if (w.crm == 0 && w.op2 == 0) {
            s.bufferable = w.value & 0xFFu;
            effect.attributes_changed = true;
        }
        break;
    case 5:
        if (w.crm == 0 && w.op2 <= 1) {
            s.access[side] = w.value & 0xFFFFu;
            effect.protection_changed = effect.attributes_changed = true;
        }
        break;
    case 6:
        if (w.op2 <= 1 && w.crm <= 7) {
            s.region[side][w.crm] = w.value;
            effect.protection_changed = effect.attributes_changed = true;
        }
        break;
    case 7: {
        using Op = CacheOperation;
        const uint32_t key = w.crm << 4 | w.op2;
        effect.cache_operation = key == 0x50   ? Op::invalidate_icache
                                 : key == 0x52 ? Op::invalidate_icache_entry
                                 : key == 0xD1 ? Op::prefetch_icache_line
                                 : key == 0x60 ? Op::invalidate_dcache
                                 : key == 0x62 ? Op::invalidate_dcache_entry
                                 : key == 0xA2 ? Op::clean_dcache_entry
                                 : key == 0xE2 ? Op::clean_invalidate_dcache_entry
                                 : key == 0xA4 ? Op::drain_write_buffer
                                 : key == 0x04 ? Op::wait_for_interrupt
                                               : Op::unknown;
        break;
    }
    case 9:
        if (w.crm == 0 && w.op2 <= 1) {
            s.lockdown[side] = w.value;
            effect.attributes_changed = true; // replacement changes with it
        }
        break;
    default:
        break;
    }
    // The protection only matters while the unit is on, but a change made
    // while it is off still decides what it does once it is on.
    return effect;
}

Attributes attributes(const ControlState& s, Side side, uint32_t address) {
    Attributes a;
    if ((s.control & control_protection) == 0) return a;
    const uint32_t i = side_index(side);
    int n = 7;
    // The highest-numbered region that holds the address decides.
    while (n >= 0 && !region_holds(s.region[i][n], address))
        --n;
    if (n < 0) {
        a.permitted = false;
        return a;
    }
    // Access bits 00: no access; 01, 10 and 11 all allow a privileged
    // access, which is all this core's program makes.
    a.permitted = ((s.access[i] >> (2 * n)) & 3u) != 0;
    const bool cache_on = (s.control & (side == Side::data ? control_dcache : control_icache)) != 0;
    a.cacheable = cache_on && ((s.cacheable[i] >> n) & 1u) != 0;
    a.bufferable = side == Side::data && ((s.bufferable >> n) & 1u) != 0;
    return a;
}

void fill_page_table(const ControlState& s, size_t bytes, PageTable& table) {
    const size_t pages = bytes / page_bytes;
    for (Side side : {Side::data, Side::instruction}) {
        std::vector<uint8_t>& bits = table.bits[side_index(side)];
        bits.assign(pages, 0);
        for (size_t p = 0; p < pages; ++p) {
            const Attributes a = attributes(s, side, static_cast<uint32_t>(p * page_bytes));
            bits[p] = static_cast<uint8_t>((a.permitted ? page_permitted : 0) |
                                           (a.cacheable ? page_cacheable : 0) |
                                           (a.bufferable ? page_bufferable : 0));
        }
    }
}

std::vector<PermissionRun> permission_runs(const PageTable& table) {
    std::vector<PermissionRun> runs;
    const std::vector<uint8_t>& data = table.bits[0];
    const std::vector<uint8_t>& fetch = table.bits[1];
    for (size_t p = 0; p < data.size(); ++p) {
        const bool d = (data[p] & page_permitted) != 0;
        const bool f = (fetch[p] & page_permitted) != 0;
        if (!runs.empty() && runs.back().data == d && runs.back().fetch == f) {
            runs.back().bytes += page_bytes;
            continue;
        }
        runs.push_back({static_cast<uint32_t>(p * page_bytes), page_bytes, d, f});
    }
    return runs;
}

} // namespace sim::cycles
