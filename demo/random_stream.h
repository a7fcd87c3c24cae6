// The demo's random numbers. The ink pattern follows one exact sequence of
// seed and draws: the stream of the PC's standard C library, whose srand
// and rand the demo was first written against. Carrying the generator here
// keeps that stream on every build, whatever C library a program links.
#pragma once

#include <cstdint>

// Restarts the stream from a seed, as srand does.
void seed_random(uint32_t seed);

// The next number of the stream, 0 to 2^31 - 1, as rand gives it.
int32_t next_random();
