// The caches' placement and replacement, and the write buffer's slots and
// timing, on short hand-worked sequences.
#include "cycle_model/cache.h"
#include "cycle_model/write_buffer.h"

#include <gtest/gtest.h>

namespace sim::cycles {
namespace {

const uint32_t words[4] = {};

TEST(Cache, ASegmentHoldsSixtyFourLinesAndRoundRobinReplacesTheOldestFirst) {
    Cache cache({16, 4, 64}, 1u << 20);
    // Lines 64 bytes apart all fall in segment 0.
    for (uint32_t i = 0; i < 64; ++i) {
        const uint32_t address = i * 64;
        ASSERT_LT(cache.find(address), 0);
        cache.fill(cache.victim(address, Replacement::round_robin), address, words);
    }
    for (uint32_t i = 0; i < 64; ++i)
        EXPECT_GE(cache.find(i * 64 + 12), 0) << "line " << i << " still held";
    // Another segment's line leaves segment 0 alone.
    cache.fill(cache.victim(16, Replacement::round_robin), 16, words);
    EXPECT_GE(cache.find(0), 0);
    // The 65th line of segment 0 replaces the first one filled, the 66th
    // the second.
    cache.fill(cache.victim(64 * 64, Replacement::round_robin), 64 * 64, words);
    EXPECT_LT(cache.find(0), 0);
    EXPECT_GE(cache.find(64), 0);
    cache.fill(cache.victim(65 * 64, Replacement::round_robin), 65 * 64, words);
    EXPECT_LT(cache.find(64), 0);
    EXPECT_GE(cache.find(16), 0);
    // Index/segment names the slots as the cache operations do: the 65th
    // line went into index 0 of segment 0.
    EXPECT_EQ(cache.find(64 * 64), cache.slot_at(0, 0));
    EXPECT_EQ(cache.find(16), cache.slot_at(1, 0));
    // Random replacement stays within the segment too.
    for (uint32_t i = 0; i < 200; ++i)
        cache.fill(cache.victim(0x10000 + i * 64, Replacement::random), 0x10000 + i * 64, words);
    EXPECT_GE(cache.find(16), 0);
}

TEST(Cache, LockedDownLinesAreLoadedIntoTheirRowAndNeverReplaced) {
    Cache cache({16, 4, 64}, 1u << 20);
    // The load bit sends each fill to the row named, in its own segment.
    cache.fill(cache.victim(0x100, Replacement::random, lockdown_of(0x80000000u | 2)), 0x100,
               words);
    cache.fill(cache.victim(0x110, Replacement::random, lockdown_of(0x80000000u | 2)), 0x110,
               words);
    EXPECT_EQ(cache.find(0x100), cache.slot_at(0, 2));
    EXPECT_EQ(cache.find(0x110), cache.slot_at(1, 2));
    // With base 3, rows 0 to 2 stay out of replacement of either kind, for
    // far more fills than the segment holds.
    for (uint32_t i = 0; i < 300; ++i) {
        const uint32_t address = 0x10000 + i * 64;
        cache.fill(cache.victim(address, i % 2 ? Replacement::random : Replacement::round_robin,
                                lockdown_of(3)),
                   address, words);
    }
    EXPECT_EQ(cache.find(0x100), cache.slot_at(0, 2));
    EXPECT_EQ(cache.find(0x110), cache.slot_at(1, 2));
}

TEST(WriteBuffer, StallsForAnAddressSlotAndDrainsAtMemorysPace) {
    // Four addresses, eight words; each single store takes 10 cycles of
    // memory, one after the other from the time it is buffered.
    WriteBuffer wb({4, 8});
    EXPECT_EQ(wb.push(0, 1, 10), 0u); // memory busy until 10
    EXPECT_EQ(wb.push(1, 1, 10), 0u); // until 20
    EXPECT_EQ(wb.push(2, 1, 10), 0u); // 30
    EXPECT_EQ(wb.push(3, 1, 10), 0u); // 40
    // The fifth needs an address slot: the first frees one at 10.
    EXPECT_EQ(wb.push(4, 1, 10), 6u); // then busy until 50
    EXPECT_EQ(wb.drain(10), 40u);
    EXPECT_TRUE(wb.empty(50));

    // A store multiple of six words from a 16-byte boundary: one address for
    // the first four, then the data slots fill at eight words.
    EXPECT_EQ(wb.push(100, 1, 10), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(wb.extend(100, 2), 0u); // until 116
    EXPECT_EQ(wb.push(100, 1, 10), 0u);   // 126
    EXPECT_EQ(wb.extend(100, 2), 0u);     // 128: six words held
    // A written-back line needs four data slots: it waits for the first
    // entry's four words to leave at 116, then memory takes it until 144.
    EXPECT_EQ(wb.push(100, 4, 16), 16u);
    EXPECT_EQ(wb.drain(116), 28u);
}

} // namespace
} // namespace sim::cycles
