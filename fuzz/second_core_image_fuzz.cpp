// What the second core is given: arbitrary bytes as the loaded image. The
// image readers (is it our renderer image? can the emulated core run it?)
// must answer without reading past the core's memory, and the emulated core
// must end every run with a fault, a stop or a spent instruction budget,
// never by crashing or touching memory outside its own 32 MiB.
#include "arm_engine.h"
#include "host_config.h"
#include "renderer_image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "second_core_image: %s\n", what);
    std::abort();
}

// Enough for a program's first loops; each input's code is translated
// afresh, which costs far more than running it.
constexpr uint64_t instruction_budget = 4000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> memory(sim::config::core_memory_bytes);
    static std::unique_ptr<sim::ArmEngine> engine =
        sim::ArmEngine::supported() ? sim::ArmEngine::create(memory.data(), memory.size())
                                    : nullptr;
    // The loader copies at most the program area; what follows stays as the
    // last run left it, as on the device.
    const size_t copied = size < 0x100000 ? size : 0x100000;
    std::memset(memory.data(), 0, 0x100000);
    if (copied != 0) std::memcpy(memory.data(), data, copied);

    const std::string problem = sim::renderer_image_problem(memory.data());
    check(problem.size() < 1000, "an absurdly long refusal");
    if (engine == nullptr) return 0;
    const sim::ArmRunEnd end = engine->run_from_start(instruction_budget);
    if (end.kind == sim::ArmRunEnd::Kind::fault)
        check(!end.fault.empty(), "a fault without a reason");
    return 0;
}
