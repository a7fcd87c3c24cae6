// The web build's srand and rand: the demo seeds and draws through the
// standard calls, and this C library's own generator would give another ink
// pattern than the handheld for the same seed.
#include "handheld_random.h"

namespace {

web::HandheldRandom generator;

} // namespace

extern "C" void srand(unsigned seed) {
    generator.seed(seed);
}

extern "C" int rand() {
    return generator.next();
}
