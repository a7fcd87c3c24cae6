// The demo's built-in one-bit pictures and their decoder.
//
// uncomp turns a packed picture into a 256 x 256 texture: lettering in
// colour_a, a broad halo in colour_b with a thin black rim, on colour_a.
#pragma once

#include "gpu.h"
#include "picture_data.h"

#include <cstdint>

// Decodes a packed picture into a new 256 x 256 texture (gpuAlloc(8, 256,
// true)); the caller owns the handle. The data carries no length: uncomp
// reads as many bytes as the 256 lines need, so the picture must be whole.
gpuBuf* uncomp(const uint8_t* picture, uint32_t width, uint32_t colour_a, uint32_t colour_b);

// The four directional distance sweeps over the table `dists` points to;
// only meaningful while uncomp runs.
void calc_dists();
