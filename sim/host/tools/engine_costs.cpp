// engine-costs: what the emulated second core's engine takes on this PC for
// each kind of ARM instruction, measured the way the simulator runs it (the
// same engine, model, memory mapping and hooks). Four small loops, each run
// for a budget of instructions from a fresh start:
//
//   alu    five adds a pass                  the engine's floor
//   load   four loads and a branch           data reads
//   store  four stores and a branch          data writes
//   stm    one store-multiple of 8 words     bursts of writes
//
// and, for the memory loops, the host time of each access over the floor.
// Why it exists: a renderer is mostly stores, and the engine's price for a
// store decides whether the emulated core keeps real time.
//
// usage: engine-costs [INSTRUCTIONS]   (default 20,000,000 a loop)
#include "arm_engine.h"
#include "host_error.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Loop {
    const char* name;
    std::vector<uint32_t> words; // from address 0
    double accesses_per_instruction;
};

// Every loop starts with r0 at 0x200000, where video memory starts.
constexpr uint32_t mov_r0_video = 0xE3A00602; // mov r0, #0x200000

std::vector<Loop> loops() {
    return {
        {"alu", {mov_r0_video, 0xE2822001, 0xE2822001, 0xE2822001, 0xE2822001, 0xE2822001,
                 0xEAFFFFF9}, // add r2, r2, #1 (5x); b back to the first add
         0.0},
        {"load", {mov_r0_video, 0xE5902000, 0xE5903004, 0xE5904008, 0xE590500C,
                  0xEAFFFFFA}, // ldr r2-r5, [r0, #0..12]; b
         4.0 / 5.0},
        {"store", {mov_r0_video, 0xE5802000, 0xE5802004, 0xE5802008, 0xE580200C,
                   0xEAFFFFFA}, // str r2, [r0, #0..12]; b
         4.0 / 5.0},
        {"stm", {mov_r0_video, 0xE88003FC, 0xEAFFFFFD}, // stmia r0, {r2-r9}; b
         8.0 / 2.0},
    };
}

int usage(FILE* to) {
    std::fprintf(to, "usage: engine-costs [INSTRUCTIONS]\n"
                     "  times the emulated second core's engine on four small loops\n"
                     "  (adds, loads, stores, store-multiples), INSTRUCTIONS each\n"
                     "  (default 20000000), and prints nanoseconds an instruction and\n"
                     "  an access\n");
    return to == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    uint64_t budget = 20'000'000;
    if (argc > 2) return usage(stderr);
    if (argc == 2) {
        if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
            return usage(stdout);
        char* end = nullptr;
        const unsigned long long n = std::strtoull(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || n < 1000 || n > 10'000'000'000ull) {
            std::fprintf(stderr, "engine-costs: INSTRUCTIONS must be a number from 1000 to "
                                 "10000000000, not '%s'\n",
                         argv[1]);
            return 2;
        }
        budget = n;
    }
    if (!sim::ArmEngine::supported()) {
        std::fprintf(stderr, "engine-costs: this build has no ARM emulator\n");
        return 1;
    }
    // The second core's 32 MiB, as the simulator gives it.
    std::vector<uint8_t> memory(32u << 20);
    try {
        std::printf("%-6s %14s %9s %13s %15s\n", "loop", "instructions", "seconds",
                    "ns/instr", "ns/access over");
        double floor_ns = 0;
        for (const Loop& loop : loops()) {
            std::fill(memory.begin(), memory.end(), uint8_t{0});
            std::memcpy(memory.data(), loop.words.data(), loop.words.size() * 4);
            // A fresh engine per loop, as every start of the core has.
            auto engine = sim::ArmEngine::create(memory.data(), memory.size());
            const auto start = std::chrono::steady_clock::now();
            const sim::ArmRunEnd end = engine->run_from_start(budget);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (end.kind != sim::ArmRunEnd::Kind::budget_spent) {
                std::fprintf(stderr, "engine-costs: the %s loop ended early: %s\n", loop.name,
                             end.fault.c_str());
                return 1;
            }
            const double ns = seconds * 1e9 / static_cast<double>(budget);
            if (loop.accesses_per_instruction == 0) floor_ns = ns;
            if (loop.accesses_per_instruction == 0)
                std::printf("%-6s %14llu %9.3f %13.2f %15s\n", loop.name,
                            static_cast<unsigned long long>(budget), seconds, ns, "-");
            else
                std::printf("%-6s %14llu %9.3f %13.2f %15.2f\n", loop.name,
                            static_cast<unsigned long long>(budget), seconds, ns,
                            (ns - floor_ns) / loop.accesses_per_instruction);
        }
    } catch (const sim::HostError& e) {
        std::fprintf(stderr, "engine-costs: %s\n", e.what());
        return 1;
    }
    return 0;
}
