// lumenfall: plays the two scenes through the renderer on the second core
// and exits. No arguments, no input; the renderer sets the pace.
#include "lumenfall.h"
#include "random_stream.h"

#include <ctime>

int main() {
    // The only consumer of random numbers is the ink map, so each run shows
    // a different ink pattern.
    seed_random(static_cast<uint32_t>(std::time(nullptr)));
    Fix_trig_init();
    DEMO_ASSERT(gpuOpen() == gpuOK, "0", 920, "main");
    run_script();
    // The last frames are already in the renderer's hands; nothing waits for
    // their display.
    gpuClose();
    return 0;
}
