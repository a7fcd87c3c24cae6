// The demo's built-in one-bit pictures and their decoder.
//
// A packed picture is 256 lines of 255 pixels, each line a sequence of run
// lengths (one byte each) alternating clear and set, starting clear, adding
// up to exactly 255. uncomp turns one into a 256 x 256 texture: lettering in
// colour_a, a broad halo in colour_b with a thin black rim, on colour_a.
#pragma once

#include "gpu.h"

#include <cstddef>
#include <cstdint>

extern const uint8_t pic1[];
extern const uint8_t pic2[];
extern const uint8_t pic3[];
extern const uint8_t pic4[];
extern const size_t pic1_size;
extern const size_t pic2_size;
extern const size_t pic3_size;
extern const size_t pic4_size;

// Decodes a packed picture into a new 256 x 256 texture (gpuAlloc(8, 256,
// wait)); the caller owns the handle.
gpuBuf* uncomp(const uint8_t* picture, uint32_t width, uint32_t colour_a, uint32_t colour_b);

// The four directional distance sweeps over the table `dists` points to.
void calc_dists();
