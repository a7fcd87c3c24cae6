// The protection regions against the address map: every word the program
// may touch is reachable with the cache policy the coherence design needs,
// and nothing else is.
#include "display_mailbox.h"
#include "gpu_protocol.h"
#include "memory_map.h"

#include <cstddef>
#include <gtest/gtest.h>

namespace second_core {
namespace {

enum class Policy { aborts, write_back, write_through, uncached, cached_code };

const char* name(Policy p) {
    switch (p) {
    case Policy::aborts:
        return "aborts";
    case Policy::write_back:
        return "write-back";
    case Policy::write_through:
        return "write-through";
    case Policy::uncached:
        return "uncached";
    case Policy::cached_code:
        return "cached code";
    }
    return "?";
}

Policy policy(uint32_t address, bool data) {
    const int n = deciding_region(address, data);
    if (n < 0) return Policy::aborts;
    const RegionSide& s = data ? memory_regions[n].data : memory_regions[n].instruction;
    if (s.access == Access::none) return Policy::aborts;
    if (!data) return s.cacheable ? Policy::cached_code : Policy::uncached;
    if (!s.cacheable)
        return s.bufferable ? Policy::aborts : Policy::uncached; // no buffered-uncached use
    return s.bufferable ? Policy::write_back : Policy::write_through;
}

TEST(MemoryMap, GivesEachPieceOfTheAddressMapItsPolicyAndNothingElse) {
    const uint32_t shared = shared_area_base;
    const uint32_t video_end = shared + gpu_video_offset + gpu_video_words * 4;
    const uint32_t mailbox = shared + gpu_display_mailbox_offset;
    struct Case {
        uint32_t address;
        Policy data;
        Policy fetch;
    };
    const Case cases[] = {
        {0x00000000, Policy::write_back, Policy::cached_code}, // the vectors
        {0x000FFFFC, Policy::write_back, Policy::cached_code}, // the stack's top word
        {shared, Policy::uncached, Policy::aborts},            // the FIFO's first word
        {shared + offsetof(gpuSharedArea, fifo_write), Policy::uncached, Policy::aborts},
        {shared + offsetof(gpuSharedArea, frame_count), Policy::uncached, Policy::aborts},
        {shared + gpu_video_offset, Policy::write_through, Policy::aborts},
        // Where the pieces of video memory meet.
        {0x003FFFFC, Policy::write_through, Policy::aborts},
        {0x00400000, Policy::write_through, Policy::aborts},
        {0x007FFFFC, Policy::write_through, Policy::aborts},
        {0x00800000, Policy::write_through, Policy::aborts},
        {0x00FFFFFC, Policy::write_through, Policy::aborts},
        {0x01000000, Policy::write_through, Policy::aborts},
        {video_end - 4, Policy::write_through, Policy::aborts}, // its last word
        {mailbox, Policy::uncached, Policy::aborts},
        {mailbox + sizeof(gpuDisplayMailbox) - 4, Policy::uncached, Policy::aborts},
        {mailbox + 0x1000, Policy::aborts, Policy::aborts}, // the rest of the reserved tail
        {shared + gpu_shared_bytes - 4, Policy::aborts, Policy::aborts},
        {0x01FFFFFC, Policy::aborts, Policy::aborts}, // past the shared area
        {0x02000000, Policy::aborts, Policy::aborts}, // past the second core's memory
        {0xFFFFFFFC, Policy::aborts, Policy::aborts},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(name(policy(c.address, true)), name(c.data)) << std::hex << c.address;
        EXPECT_STREQ(name(policy(c.address, false)), name(c.fetch)) << std::hex << c.address;
    }
    EXPECT_EQ(video_end, video_memory_end);
    EXPECT_EQ(mailbox, mailbox_base);
}

// The words the start code writes, worked out by hand from the table.
TEST(MemoryMap, EncodesTheRegisterWordsAsTheProtectionUnitReadsThem) {
    EXPECT_EQ(region_register(memory_regions[0], memory_regions[0].data), 0x00000027u); // 1 MiB
    EXPECT_EQ(region_register(memory_regions[5], memory_regions[5].data), 0x0100002Fu); // 16 MiB
    EXPECT_EQ(region_register(memory_regions[7], memory_regions[7].data), 0x01F00017u); // 4 KiB
    EXPECT_EQ(region_register(memory_regions[1], memory_regions[1].instruction), 0u);
    EXPECT_EQ(cacheable_bits(true), 0x3Du);
    EXPECT_EQ(cacheable_bits(false), 0x01u);
    EXPECT_EQ(bufferable_bits(), 0x01u);
    EXPECT_EQ(access_bits(true), 0x4555u);
    EXPECT_EQ(access_bits(false), 0x0001u);
}

} // namespace
} // namespace second_core
