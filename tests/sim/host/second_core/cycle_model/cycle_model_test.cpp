// The cycle model on short hand-worked sequences: the instruction words are
// real ARM code, decoded as the emulator decodes them, and each expected
// count is worked out from the core's documented timings in the comments.
#include "cycle_model/cycle_model.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace sim::cycles {
namespace {

// Memory that never waits: every cycle counted is the pipeline's.
const MemoryTiming no_wait{"none", 1, 1, 1, 1};
constexpr uint32_t memory_bytes = 1u << 20;

struct Step {
    uint32_t word;
    uint32_t access = 0; // data address, if any
    bool executed = true;
    uint32_t rs = 0;
    bool write = false;
};

class Model {
  public:
    explicit Model(const MemoryTiming& timing)
        : memory(memory_bytes), model(timing, memory.data(), memory_bytes) {}
    // Cycles the steps take, each at pc (or at successive words).
    uint64_t run(const std::vector<Step>& steps, uint32_t pc = 0x100, bool same_pc = false) {
        const uint64_t before = model.counters().cycles;
        for (const Step& s : steps) {
            const InstructionCost cost = decode_arm(s.word);
            model.instruction(pc, cost, s.executed, s.rs, 4);
            if (s.executed && cost.kind == InstructionKind::load_multiple) {
                for (int i = 0; i < __builtin_popcount(s.word & 0xFFFFu); ++i)
                    model.data_access(s.access + 4 * i, 4, false, 0);
            } else if (s.executed && s.access != 0) {
                model.data_access(s.access, 4, s.write, 0);
            }
            if (!same_pc) pc += 4;
        }
        return model.counters().cycles - before;
    }
    void set_word(uint32_t address, uint32_t value) { std::memcpy(&memory[address], &value, 4); }
    // Protection on, data region 0 (the whole MiB) and instruction region 0
    // with these attributes.
    void protect(bool dcache, bool bufferable, bool icache) {
        ControlState& s = state;
        apply_write(s, {6, 0, 0, 0x27}); // base 0, 1 MiB, on
        apply_write(s, {6, 0, 1, 0x27});
        apply_write(s, {5, 0, 0, 3});
        apply_write(s, {5, 0, 1, 3});
        apply_write(s, {2, 0, 0, dcache ? 1u : 0u});
        apply_write(s, {2, 0, 1, icache ? 1u : 0u});
        apply_write(s, {3, 0, 0, bufferable ? 1u : 0u});
        apply_write(
            s,
            {1, 0, 0, control_protection | control_dcache | control_icache | control_round_robin});
        model.control_changed(s);
    }
    // A control-coprocessor write as the emulator passes it on.
    void cp15(const Cp15Write& write) {
        if (apply_write(state, write).attributes_changed) model.control_changed(state);
    }

    ControlState state;
    std::vector<uint8_t> memory;
    CycleModel model;
};

constexpr uint32_t ldr_r0_r1 = 0xE5910000;   // LDR r0, [r1]
constexpr uint32_t ldrb_r0_r1 = 0xE5D10000;  // LDRB r0, [r1]
constexpr uint32_t add_r2_r0_1 = 0xE2802001; // ADD r2, r0, #1
constexpr uint32_t add_r2_r3_1 = 0xE2832001; // ADD r2, r3, #1
constexpr uint32_t mov_r3_0 = 0xE3A03000;    // MOV r3, #0
constexpr uint32_t str_r0_r1 = 0xE5810000;   // STR r0, [r1]

TEST(CycleModel, PipelineCostsFollowTheCoresTimings) {
    struct Case {
        const char* what;
        std::vector<Step> steps;
        uint64_t cycles;
    } cases[] = {
        // A loaded word is one cycle late for the next instruction.
        {"load then use", {{ldr_r0_r1, 0x1000}, {add_r2_r0_1}}, 1 + 2},
        {"load, other, use", {{ldr_r0_r1, 0x1000}, {mov_r3_0}, {add_r2_r0_1}}, 3},
        // A byte two cycles late: two for the next, one for the one after.
        {"byte then use", {{ldrb_r0_r1, 0x1000}, {add_r2_r0_1}}, 1 + 3},
        {"byte, other, use", {{ldrb_r0_r1, 0x1000}, {mov_r3_0}, {add_r2_r0_1}}, 1 + 1 + 2},
        // A register a cycle; a single register two; the last one late.
        {"LDM of four", {{0xE891000F, 0x1000}}, 4},
        {"LDM of one", {{0xE8910001, 0x1000}}, 2},
        {"LDM of four, last used", {{0xE891000F, 0x1000}, {add_r2_r3_1}}, 4 + 2},
        {"LDM with the PC", {{0xE8918001, 0x1000}}, 2 + 4},
        // MUL: one cycle and one iteration per 8 bits of Rs that matter.
        {"MUL, small Rs", {{0xE0000291, 0, true, 0xFF}}, 2},
        {"MUL, negative small Rs", {{0xE0000291, 0, true, 0xFFFFFF80}}, 2},
        {"MUL, 24-bit Rs", {{0xE0000291, 0, true, 0x00123456}}, 4},
        {"MUL, full Rs", {{0xE0000291, 0, true, 0x12345678}}, 5},
        {"UMULL, Rs of ones", {{0xE0810392, 0, true, 0xFFFFFFFF}}, 2 + 4},
        // A shift by a register reads it in a cycle of its own; writing the
        // PC or branching refills the pipeline.
        {"shift by register", {{0xE0802413}}, 2},
        {"MOV pc, lr", {{0xE1A0F00E}}, 3},
        {"branch taken", {{0xEA000000}}, 3},
        {"branch not taken", {{0x0A000000, 0, false}}, 1},
        {"failed load", {{0x05910000, 0x1000, false}, {0x02802001, 0, false}}, 2},
    };
    for (const Case& c : cases) {
        Model m(no_wait);
        EXPECT_EQ(m.run(c.steps), c.cycles) << c.what;
    }
}

TEST(CycleModel, LineFillsOnMissesAgainstMemoryOnEveryAccessWithoutCaches) {
    // Eight loads of successive words by one instruction at 0x100 (a loop):
    // with both caches on, one instruction-cache fill and two data-cache
    // fills of 10 + 3 x 2 = 16 cycles each, and a cycle a load.
    const MemoryTiming& plausible = *find_memory_timing("plausible");
    std::vector<Step> loads;
    for (uint32_t i = 0; i < 8; ++i)
        loads.push_back({ldr_r0_r1, 0x1000 + 4 * i});
    Model cached(plausible);
    cached.protect(true, false, true);
    EXPECT_EQ(cached.run(loads, 0x100, true), 8 + 16 + 2 * 16);
    EXPECT_EQ(cached.model.counters().icache_misses, 1u);
    EXPECT_EQ(cached.model.counters().dcache_misses, 2u);
    EXPECT_EQ(cached.model.counters().miss_cycles, 3u * 16);

    // The same without caches: every fetch and every load is a first access
    // (the data access between two fetches breaks the burst): 1 + 9 + 9.
    Model uncached(plausible);
    EXPECT_EQ(uncached.run(loads, 0x100, true), 8u * (1 + 9 + 9));
    EXPECT_EQ(uncached.model.counters().uncached_accesses, 16u);
    EXPECT_EQ(uncached.model.counters().icache_misses + uncached.model.counters().dcache_misses,
              0u);
}

TEST(CycleModel, LinesLockedDownThroughRegisterNineOutliveAFloodOfFills) {
    // The start code's procedure: the load bit and row 0, one line of each
    // segment loaded, then base 1. Far more fills than the cache holds
    // later, the four lines still hit.
    Model m(*find_memory_timing("plausible"));
    m.protect(true, true, false);
    m.cp15({9, 0, 0, 0x80000000u});
    for (uint32_t i = 0; i < 4; ++i)
        m.run({{ldr_r0_r1, 0x8000 + 16 * i}});
    m.cp15({9, 0, 0, 1});
    for (uint32_t i = 0; i < 1024; ++i)
        m.run({{ldr_r0_r1, 0x10000 + 16 * i}});
    const uint64_t misses = m.model.counters().dcache_misses;
    EXPECT_EQ(misses, 4u + 1024u);
    for (uint32_t i = 0; i < 4; ++i)
        m.run({{ldr_r0_r1, 0x8000 + 16 * i + 4}});
    EXPECT_EQ(m.model.counters().dcache_misses, misses);
}

TEST(CycleModel, TheFifthBufferedStoreWaitsForAnAddressSlot) {
    // Data bufferable, not cached: each STR costs its cycle and goes into
    // the buffer, which memory empties at 10 cycles a store. The first
    // fetch fills a line (16): the stores are buffered at 17, 18, 19, 20 and
    // done at 27, 37, 47, 57; the fifth, at 21, waits until 27 for a slot.
    Model m(*find_memory_timing("plausible"));
    m.protect(false, true, true);
    const std::vector<Step> stores(5, {str_r0_r1, 0x2000, true, 0, true});
    EXPECT_EQ(m.run(stores, 0x100, true), 27u);
    EXPECT_EQ(m.model.counters().write_buffer_stall_cycles, 6u);
    // Draining waits for the last store, done at 67.
    m.model.cache_operation(CacheOperation::drain_write_buffer, 0);
    EXPECT_EQ(m.model.counters().cycles, 67u);
    EXPECT_EQ(m.model.counters().write_buffer_stall_cycles, 46u);
}

TEST(CycleModel, AReadOfALineTheMainCoreChangedSinceItsFillIsStale) {
    Model m(*find_memory_timing("plausible"));
    m.protect(true, false, true);
    m.set_word(0x1004, 1);
    m.run({{ldr_r0_r1, 0x1000}}, 0x200); // fills 0x1000-0x100F
    m.set_word(0x1004, 5);               // the main core writes behind the cache
    m.run({{ldr_r0_r1, 0x1000}}, 0x204); // word 0 unchanged: not stale
    EXPECT_EQ(m.model.counters().stale_reads, 0u);
    m.run({{ldr_r0_r1, 0x1004}}, 0x208);
    EXPECT_EQ(m.model.counters().stale_reads, 1u);
    ASSERT_TRUE(m.model.stale_seen());
    EXPECT_EQ(m.model.first_stale().address, 0x1004u);
    EXPECT_EQ(m.model.first_stale().pc, 0x208u);
    EXPECT_EQ(m.model.first_stale().cached, 1u);
    EXPECT_EQ(m.model.first_stale().memory, 5u);
    // The core's own store goes into the line as into memory: not stale.
    m.model.instruction(0x20C, decode_arm(str_r0_r1), true, 0, 4);
    m.model.data_access(0x1008, 4, true, 7);
    m.set_word(0x1008, 7); // the emulator does the store
    m.run({{ldr_r0_r1, 0x1008}}, 0x210);
    EXPECT_EQ(m.model.counters().stale_reads, 1u);
    // Invalidated, the line is read again from memory.
    m.model.cache_operation(CacheOperation::invalidate_dcache, 0);
    m.run({{ldr_r0_r1, 0x1004}}, 0x214);
    EXPECT_EQ(m.model.counters().stale_reads, 1u);
    EXPECT_EQ(m.model.counters().dcache_misses, 2u);
}

TEST(CycleModel, CyclesWhileIdleAreCountedApartAndAPollIsNoticedOnce) {
    Model m(no_wait);
    m.model.watch_reads_of(0x1FFFF0);
    m.run({{ldr_r0_r1, 0x1000}});
    EXPECT_FALSE(m.model.take_watched_read());
    m.run({{ldr_r0_r1, 0x1FFFF0}});
    EXPECT_TRUE(m.model.take_watched_read());
    EXPECT_FALSE(m.model.take_watched_read()) << "noticed once";

    m.model.set_idle(true);
    m.run({{mov_r3_0}, {mov_r3_0}, {mov_r3_0}});
    m.model.publish();
    // An idle stretch still open is published as far as it has gone.
    EXPECT_EQ(m.model.snapshot().idle_cycles, 3u);
    EXPECT_EQ(m.model.snapshot().idle_instructions, 3u);
    m.model.set_idle(false);
    m.run({{mov_r3_0}});
    m.model.publish();
    const CycleCounters c = m.model.snapshot();
    EXPECT_EQ(c.idle_cycles, 3u);
    EXPECT_EQ(c.instructions, 6u);
    EXPECT_EQ(c.cycles, 1u + 1 + 3 + 1);
}

} // namespace
} // namespace sim::cycles
