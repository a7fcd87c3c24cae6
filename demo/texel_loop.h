// How the demo's loops over whole textures are compiled. On the PC the
// compiler builds each one three times, for AVX2, for SSSE3 and for any
// x86-64 processor, and the program picks the best version its processor runs
// when it starts: the ink texture's second window reads the map backwards,
// and only a byte shuffle (SSSE3 and later) lets such a loop be vectorised.
// The handheld build has the one plain version.
#pragma once

#if defined(__x86_64__)
#define DEMO_TEXEL_LOOP __attribute__((target_clones("arch=x86-64-v3", "ssse3", "default")))
#else
#define DEMO_TEXEL_LOOP
#endif
