// A client that ends while the renderer still owes it frames, as the demo
// does: it shows FRAMES full-screen greys, darker first and white last, then
// closes the link without waiting for them to be displayed. Only the first
// is waited for, so that the display program is known to be running (as it
// is long before the demo's end); the others are queued as fast as video
// memory lets them.
// Usage: last_frames_client [FRAMES]   (default 48)
#include "gpu.h"

#include <cstdio>
#include <cstdlib>
#include <sched.h>

namespace {

constexpr int32_t ten = 10 << 16;
// The whole screen at the eye, as the demo's clear.
cmdFacet header = {gpu_op_facet, 4, 0, 0, 0};
cmdVertex corners[4] = {{-ten, -ten, -257, 0, 0, 0},
                        {ten, -ten, -257, 0, 0, 0},
                        {ten, ten, -257, 0, 0, 0},
                        {-ten, ten, -257, 0, 0, 0}};
const gpuPiece quad[5] = {{&header, sizeof header},
                          {&corners[0], sizeof(cmdVertex)},
                          {&corners[1], sizeof(cmdVertex)},
                          {&corners[2], sizeof(cmdVertex)},
                          {&corners[3], sizeof(cmdVertex)}};

// Luma y with neutral chroma: the bytes Y, U, Y, V.
uint32_t grey(uint32_t y) {
    return 0x80008000u | y << 16 | y;
}

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "last_frames_client: %s failed\n", what);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 48;
    require(frames >= 1 && frames <= 200, "reading FRAMES (1 to 200)");
    require(gpuOpen() == gpuOK, "opening the link");
    for (int frame = 0; frame < frames; ++frame) {
        gpuBuf* out = gpuAlloc(9, 250, true);
        require(gpuSetOutBuf(out, true) == gpuOK, "selecting the output buffer");
        // 16 (black) upwards, never reaching the last frame's white (235).
        header.color = grey(frame == frames - 1 ? 235 : 16 + frame % 200);
        require(gpuWritev(quad, 5, true) == gpuOK, "sending the quad");
        require(gpuShowBuf(out, true) == gpuOK, "showing the frame");
        while (frame == 0 && __atomic_load_n(&shared->frame_count, __ATOMIC_ACQUIRE) == 0)
            sched_yield();
    }
    gpuClose();
    return 0;
}
