// Small programs on the emulated core itself, assembled here: the protection
// regions as the program sets them, instruction and data sides apart, and
// what the cycle model counts for the same loop without and with caches.
#include "arm_engine.h"
#include "process_runner.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {
namespace {

constexpr size_t memory_bytes = 0x2000000;

// Assembles ARM source into flat code; empty when the cross assembler is
// missing.
std::vector<uint8_t> assemble(const test::TempDir& dir, const std::string& source) {
    const std::string base = dir.path() + "/program";
    std::ofstream(base + ".s") << ".arm\n" << source << "\n";
    if (test::run({"arm-none-eabi-as", "-march=armv4t", base + ".s", "-o", base + ".o"})
                .exit_status != 0 ||
        test::run({"arm-none-eabi-objcopy", "-O", "binary", base + ".o", base + ".bin"})
                .exit_status != 0)
        return {};
    std::ifstream in(base + ".bin", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Data regions: 0 the program's MiB, 1 the shared area's MiB (both full
// access); instruction region 0 the program's MiB. Caches and write-through
// on the program's MiB when `caches`. Then the protection unit on.
std::string start_code(bool caches) {
    return std::string(" ldr r0, =0x27\n mcr p15, 0, r0, c6, c0, 0\n mcr p15, 0, r0, c6, c0, 1\n"
                       " ldr r0, =0x100027\n mcr p15, 0, r0, c6, c1, 0\n"
                       " mov r0, #0xF\n mcr p15, 0, r0, c5, c0, 0\n"
                       " mov r0, #0x3\n mcr p15, 0, r0, c5, c0, 1\n") +
           (caches ? " mov r0, #1\n mcr p15, 0, r0, c2, c0, 0\n mcr p15, 0, r0, c2, c0, 1\n"
                     " mrc p15, 0, r0, c1, c0, 0\n ldr r1, =0x1005\n orr r0, r0, r1\n"
                   : " mrc p15, 0, r0, c1, c0, 0\n orr r0, r0, #1\n") +
           " mcr p15, 0, r0, c1, c0, 0\n";
}

struct RunOutcome {
    ArmRunEnd end;
    cycles::CycleCounters counters;
};

RunOutcome run(const std::vector<uint8_t>& code, bool modelled = true) {
    std::vector<uint8_t> memory(memory_bytes);
    std::memcpy(memory.data(), code.data(), code.size());
    std::unique_ptr<ArmEngine> engine = ArmEngine::create(memory.data(), memory.size());
    cycles::CycleModel model(cycles::default_memory_timing(), memory.data(), memory_bytes);
    if (modelled) engine->model_cycles(model);
    // Without an instruction limit, as the simulator runs the core (a limit
    // makes the engine track the program counter more closely); a program
    // that does not stop by itself within 20 s is stopped.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(20), [&] { return finished; }))
            engine->stop();
    });
    RunOutcome r;
    r.end = engine->run_from_start(0);
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    r.counters = model.counters();
    return r;
}

// The address of the first instruction word `word` in code.
uint32_t address_of(const std::vector<uint8_t>& code, uint32_t word) {
    for (size_t at = 0; at + 4 <= code.size(); at += 4) {
        uint32_t w = 0;
        std::memcpy(&w, &code[at], 4);
        if (w == word) return static_cast<uint32_t>(at);
    }
    return 0xFFFFFFFFu;
}

TEST(EngineProtection, AnAccessTheRegionsDoNotPermitEndsTheRunWithItsSideAddressAndPc) {
    test::TempDir dir;
    struct Case {
        const char* what;
        std::string source;
        const char* fault;
        uint32_t pc; // of the faulting instruction, or 0: the word 0xE5810000 (str r0, [r1])
        // Without the model, how far before that word the run of code that
        // holds it starts (after the last coprocessor write).
        uint32_t block_start_before = 4;
    } cases[] = {
        // Video memory is in no data region.
        {"store outside the data regions",
         start_code(false) + " ldr r1, =0x200000\n"
                             " str r0, [r1]\n b .",
         "store to 0x00200000, which the data-side protection regions do not permit", 0},
        // The shared area may be read and written but not run.
        {"fetch outside the instruction regions",
         start_code(false) + " ldr r1, =0x100000\n ldr r2, =0xE1A00000\n str r2, [r1]\n"
                             " bx r1",
         "instruction fetch from 0x00100000, which the instruction-side protection regions do "
         "not permit",
         0x100000},
        // The instruction side's regions 1 and 7 turned off once the unit is
        // on: the data side keeps the shared area, so the first store goes
        // through and only the second faults (one set of regions for both
        // sides would fault on the first).
        {"instruction regions rewritten while on",
         start_code(false) + " mov r0, #0\n mcr p15, 0, r0, c6, c1, 1\n mcr p15, 0, r0, c6, c7, 1\n"
                             " ldr r1, =0x100000\n str r2, [r1]\n ldr r1, =0x200000\n"
                             " str r0, [r1]\n b .",
         "store to 0x00200000, which the data-side protection regions do not permit", 0, 12},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> code = assemble(dir, c.source);
        if (code.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
        if (!ArmEngine::supported()) GTEST_SKIP() << "this build has no emulated second core";
        // Without the cycle model the engine sees the coprocessor writes by
        // itself; with it, through the model's hook: both must agree.
        for (bool modelled : {false, true}) {
            const RunOutcome r = run(code, modelled);
            ASSERT_EQ(r.end.kind, ArmRunEnd::Kind::fault) << c.what;
            EXPECT_EQ(r.end.fault, c.fault) << c.what << (modelled ? ", modelled" : "");
            // A bad load or store: the engine alone knows the start of the
            // run of code (the instruction after the control register
            // write); the model, the instruction.
            const uint32_t store = address_of(code, 0xE5810000u);
            EXPECT_EQ(r.end.pc, c.pc != 0  ? c.pc
                                : modelled ? store
                                           : store - c.block_start_before)
                << c.what;
        }
    }
}

TEST(EngineCycles, TheSameLoopWithCachesCostsAFractionOfItsCostWithout) {
    test::TempDir dir;
    // Sums 64 words of the program's MiB eight times over, then stops on an
    // undefined instruction.
    const std::string loop = " mov r4, #8\n"
                             "2: ldr r1, =0x8000\n mov r2, #64\n mov r0, #0\n"
                             "1: ldr r3, [r1], #4\n add r0, r0, r3\n subs r2, r2, #1\n bne 1b\n"
                             " subs r4, r4, #1\n bne 2b\n .word 0xe7f000f0\n .ltorg\n";
    const std::vector<uint8_t> without = assemble(dir, start_code(false) + loop);
    const std::vector<uint8_t> with = assemble(dir, start_code(true) + loop);
    if (without.empty() || with.empty()) GTEST_SKIP() << "arm-none-eabi-as is not installed";
    if (!ArmEngine::supported()) GTEST_SKIP() << "this build has no emulated second core";
    const RunOutcome a = run(without), b = run(with);
    ASSERT_EQ(a.end.kind, ArmRunEnd::Kind::fault);
    ASSERT_EQ(b.end.kind, ArmRunEnd::Kind::fault);
    // Four more instructions of start code (and one more literal).
    EXPECT_EQ(b.end.pc, a.end.pc + 16);

    // Without caches every fetch and load goes to memory.
    EXPECT_EQ(a.counters.icache_misses + a.counters.dcache_misses, 0u);
    EXPECT_GT(a.counters.uncached_accesses, a.counters.instructions);
    // With them: the loop's code and the 64 words are fetched once (16 data
    // lines, and the line of the literal that holds their address; a few
    // code lines), then every pass hits.
    EXPECT_EQ(b.counters.dcache_misses, 16u + 1);
    EXPECT_LE(b.counters.icache_misses, 8u);
    EXPECT_LT(b.counters.cycles * 4, a.counters.cycles);
    // 8 x 64 passes of four instructions, whatever the caches do.
    EXPECT_GT(a.counters.instructions, 8u * 64 * 4);
    EXPECT_EQ(b.counters.instructions - a.counters.instructions, 4u);
}

} // namespace
} // namespace sim
