// What frames every frame of both scenes: a fresh output buffer, the black
// clear, the show at the end, and the one view command of the run.
#include "lumenfall.h"

namespace {

constexpr uint32_t black = 0x80108010;
constexpr int32_t ten = 655360;
// Just in front of the eye, so that the clear lies behind nothing.
constexpr int32_t clear_depth = -257;

// The clear quad, sent as one facet from three static pieces; only its
// colour is ever written.
cmdFacet facet_bg = {gpu_op_facet, 4, 0, 0, 0};
const cmdVertex vec_bg[4] = {
    {-ten, -ten, clear_depth, 0, 0, 0},
    {ten, -ten, clear_depth, 0, 0, 0},
    {ten, ten, clear_depth, 0, 0, 0},
    {-ten, ten, clear_depth, 0, 0, 0},
};
const gpuPiece cmdvec[5] = {
    {&facet_bg, sizeof(cmdFacet)},   {&vec_bg[0], sizeof(cmdVertex)},
    {&vec_bg[1], sizeof(cmdVertex)}, {&vec_bg[2], sizeof(cmdVertex)},
    {&vec_bg[3], sizeof(cmdVertex)},
};

gpuCmdSetView setView = {gpu_op_set_view, 0, -161, -121, 161, 121, 96, 3};

} // namespace

gpuBuf* outBuf;

// 250 lines of 512 words; gpuShowBuf takes over its release, so the frame
// never frees it itself.
void next_out_buf() {
    outBuf = gpuAlloc(9, 250, true);
    const gpuResult err = gpuSetOutBuf(outBuf, true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", 127, "next_out_buf");
}

void clear_screen() {
    facet_bg.color = black;
    const gpuResult err = gpuWritev(cmdvec, 5, true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", 373, "clear_screen");
}

void show_out_buf() {
    const gpuResult err = gpuShowBuf(outBuf, true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", 132, "show_out_buf");
}

void set_dproj(int32_t value) {
    setView.dproj = value;
    const gpuResult err = gpuWrite(&setView, sizeof(setView), true);
    DEMO_ASSERT(gpuOK == err, "gpuOK == err", 144, "set_dproj");
}

void reset_frame_cycle() {
    outBuf = nullptr;
    facet_bg.color = 0;
    setView.dproj = 0;
}
