// The protection unit's two sides, as the program writes them.
#include "cycle_model/control_coprocessor.h"

#include <gtest/gtest.h>

namespace sim::cycles {
namespace {

void write(ControlState& s, uint32_t crn, uint32_t crm, uint32_t op2, uint32_t value) {
    apply_write(s, {crn, crm, op2, value});
}

// Region register: base, size 2^(n+1), enabled.
uint32_t region(uint32_t base, uint32_t n) {
    return base | n << 1 | 1u;
}

TEST(ControlCoprocessor, KeepsInstructionAndDataRegionsApartAndTheHighestRegionDecides) {
    ControlState s;
    // Data: region 0 the first 32 MiB, region 1 the program's first MiB
    // again, write-back. Instructions: region 0 the first MiB only.
    write(s, 6, 0, 0, region(0, 24));
    write(s, 6, 1, 0, region(0, 19));
    write(s, 6, 0, 1, region(0, 19));
    write(s, 5, 0, 0, 0x3u | 0x3u << 2); // data regions 0 and 1: full access
    write(s, 5, 0, 1, 0x3u);             // instruction region 0: full access
    write(s, 2, 0, 0, 0x2u);             // data region 1 cacheable
    write(s, 2, 0, 1, 0x1u);             // instruction region 0 cacheable
    write(s, 3, 0, 0, 0x2u);             // data region 1 bufferable

    // Off: everything allowed, nothing cached.
    const Attributes off = attributes(s, Side::data, 0x200000);
    EXPECT_TRUE(off.permitted);
    EXPECT_FALSE(off.cacheable || off.bufferable);

    write(s, 1, 0, 0, control_protection | control_dcache | control_icache);
    struct Case {
        Side side;
        uint32_t address;
        bool permitted, cacheable, bufferable;
    } cases[] = {
        {Side::data, 0x00001000, true, true, true},         // region 1 over region 0
        {Side::data, 0x00200000, true, false, false},       // region 0 only
        {Side::data, 0x02000000, false, false, false},      // no region
        {Side::instruction, 0x00001000, true, true, false}, // no write buffer for fetches
        {Side::instruction, 0x00200000, false, false, false},
    };
    for (const Case& c : cases) {
        const Attributes a = attributes(s, c.side, c.address);
        EXPECT_EQ(a.permitted, c.permitted) << std::hex << c.address;
        EXPECT_EQ(a.cacheable, c.cacheable) << std::hex << c.address;
        EXPECT_EQ(a.bufferable, c.bufferable) << std::hex << c.address;
    }

    // Access bits 00 forbid even a privileged access; a cache turned off
    // leaves its regions uncached.
    write(s, 5, 0, 0, 0x3u);
    EXPECT_FALSE(attributes(s, Side::data, 0x1000).permitted);
    EXPECT_TRUE(attributes(s, Side::data, 0x200000).permitted);
    write(s, 1, 0, 0, control_protection | control_icache);
    EXPECT_FALSE(attributes(s, Side::data, 0x200000).cacheable);

    // The pages an engine protects: 1 MiB fetchable, then 31 MiB data only.
    PageTable pages;
    fill_page_table(s, 0x2000000, pages);
    const std::vector<PermissionRun> runs = permission_runs(pages);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].fetch && !runs[0].data); // data region 1 now has no access
    EXPECT_EQ(runs[0].bytes, 0x100000u);
    EXPECT_TRUE(!runs[1].fetch && runs[1].data);
    EXPECT_EQ(runs[1].start + runs[1].bytes, 0x2000000u);
}

} // namespace
} // namespace sim::cycles
