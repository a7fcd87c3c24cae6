// engine-costs: what the emulated second core's engine takes on this PC for
// each kind of ARM instruction, measured the way the simulator runs it (the
// same engine, model, memory mapping and hooks). Four small loops, each run
// for about as many instructions from a fresh start:
//
//   alu    four adds a pass                  the engine's floor
//   load   four loads a pass                 data reads
//   store  four stores a pass                data writes
//   stm    one store-multiple of 8 words     bursts of writes
//
// (each pass also counts down and branches back)
//
// and, for the memory loops, the host time of each access over the floor.
// Why it exists: a renderer is mostly stores, and the engine's price for a
// store decides whether the emulated core keeps real time.
//
// usage: engine-costs [INSTRUCTIONS [LOOP]...]   (default 20,000,000 a loop,
// every loop)
#include "arm_engine.h"
#include "host_error.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Loop {
    const char* name;
    std::vector<uint32_t> body; // the work of one pass
    double accesses;            // loads or stored words a pass
};

std::vector<Loop> loops() {
    return {
        {"alu", {0xE2822001, 0xE2822001, 0xE2822001, 0xE2822001}, 0}, // add r2, r2, #1
        {"load", {0xE5902000, 0xE5903004, 0xE5904008, 0xE590500C}, 4}, // ldr r2-r5, [r0, #0..12]
        {"store", {0xE5802000, 0xE5802004, 0xE5802008, 0xE580200C}, 4}, // str r2, [r0, #0..12]
        {"stm", {0xE88003FC}, 8},                                     // stmia r0, {r2-r9}
    };
}

// The program from address 0: r0 at video memory, r1 passes, the body and
// a count down in a loop, then an undefined instruction, which ends the run
// with a fault. Ending by itself matters: a run bounded by a number of
// instructions is counted by the engine with a hook on every instruction,
// which would be measured too.
constexpr uint32_t pass_count_at = 0x3C;
std::vector<uint32_t> program(const Loop& loop, uint32_t passes) {
    std::vector<uint32_t> words = {
        0xE3A00602, // mov r0, #0x200000
        0xE59F1000 | (pass_count_at - 12), // ldr r1, [pc, #...]: the pass count
    };
    words.insert(words.end(), loop.body.begin(), loop.body.end());
    words.push_back(0xE2511001); // subs r1, r1, #1
    const int32_t back = (8 - static_cast<int32_t>(words.size() * 4 + 8)) / 4;
    words.push_back(0x1A000000 | (static_cast<uint32_t>(back) & 0xFFFFFFu)); // bne body
    words.push_back(0xE7F000F0); // undefined: the end
    words.resize(pass_count_at / 4 + 1, 0);
    words[pass_count_at / 4] = passes;
    return words;
}

int usage(FILE* to) {
    std::fprintf(to, "usage: engine-costs [INSTRUCTIONS [LOOP]...]\n"
                     "  times the emulated second core's engine on small loops, alu\n"
                     "  (adds), load, store and stm (store-multiples), INSTRUCTIONS each\n"
                     "  (default 20000000), and prints nanoseconds an instruction and\n"
                     "  an access; the alu loop always runs, as the floor\n");
    return to == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    uint64_t budget = 20'000'000;
    std::vector<std::string> chosen;
    for (int i = 2; i < argc; ++i) {
        bool known = false;
        for (const Loop& loop : loops())
            known = known || loop.name == std::string(argv[i]);
        if (!known) {
            std::fprintf(stderr, "engine-costs: no loop '%s' (alu, load, store, stm)\n", argv[i]);
            return 2;
        }
        chosen.emplace_back(argv[i]);
    }
    if (argc >= 2) {
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
            if (loop.accesses != 0 && !chosen.empty() &&
                std::find(chosen.begin(), chosen.end(), loop.name) == chosen.end())
                continue;
            const uint32_t per_pass = static_cast<uint32_t>(loop.body.size()) + 2;
            const uint64_t passes = std::min<uint64_t>(budget / per_pass, 0xFFFFFFFFu);
            // A fresh engine per run, as every start of the core has; a run
            // of one pass first gives the price of starting and translating,
            // which is taken off.
            double seconds = 0;
            for (const uint64_t n : {uint64_t{1}, passes}) {
                const std::vector<uint32_t> words = program(loop, static_cast<uint32_t>(n));
                std::fill(memory.begin(), memory.end(), uint8_t{0});
                std::memcpy(memory.data(), words.data(), words.size() * 4);
                auto engine = sim::ArmEngine::create(memory.data(), memory.size());
                const auto start = std::chrono::steady_clock::now();
                const sim::ArmRunEnd end = engine->run_from_start(0);
                const double taken =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count();
                if (end.kind != sim::ArmRunEnd::Kind::fault ||
                    end.fault.find("undefined instruction") == std::string::npos) {
                    std::fprintf(stderr, "engine-costs: the %s loop did not end as written: %s\n",
                                 loop.name, end.fault.c_str());
                    return 1;
                }
                seconds = taken - seconds;
            }
            const uint64_t executed = passes * per_pass;
            const double ns = seconds * 1e9 / static_cast<double>(executed);
            // Over the floor: what a pass costs beyond as many adds.
            const double pass_ns = seconds * 1e9 / static_cast<double>(passes);
            if (loop.accesses == 0) floor_ns = ns;
            if (loop.accesses == 0)
                std::printf("%-6s %14llu %9.3f %13.2f %15s\n", loop.name,
                            static_cast<unsigned long long>(executed), seconds, ns, "-");
            else
                std::printf("%-6s %14llu %9.3f %13.2f %15.2f\n", loop.name,
                            static_cast<unsigned long long>(executed), seconds, ns,
                            (pass_ns - floor_ns * per_pass) / loop.accesses);
        }
    } catch (const sim::HostError& e) {
        std::fprintf(stderr, "engine-costs: %s\n", e.what());
        return 1;
    }
    return 0;
}
