// lumenfall: plays the two scenes through the renderer on the second core
// and exits. No arguments, no input; the renderer sets the pace.
// LUMENFALL_SEED, when set, fixes the ink pattern (see choose_seed).
#include "lumenfall.h"
#include "random_stream.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The only consumer of random numbers is the ink map, so each run shows a
// different ink pattern, unless LUMENFALL_SEED names one: then two runs
// (for example on two different renderers) send the same commands.
bool choose_seed(uint32_t& seed) {
    const char* fixed = std::getenv("LUMENFALL_SEED");
    if (fixed == nullptr) {
        seed = static_cast<uint32_t>(std::time(nullptr));
        return true;
    }
    char* end = nullptr;
    const unsigned long long value = std::strtoull(fixed, &end, 0);
    if (*fixed == '\0' || *fixed == '-' || *end != '\0' || value > 0xFFFFFFFFull) {
        std::fprintf(
            stderr, "lumenfall: LUMENFALL_SEED='%s' is not a number from 0 to 4294967295\n", fixed);
        return false;
    }
    seed = static_cast<uint32_t>(value);
    return true;
}

} // namespace

int main() {
    uint32_t seed = 0;
    if (!choose_seed(seed)) return 2;
    seed_random(seed);
    Fix_trig_init();
    DEMO_ASSERT(gpuOpen() == gpuOK, "0", 920, "main");
    run_script();
    // The last frames are already in the renderer's hands; nothing waits for
    // their display.
    gpuClose();
    return 0;
}
