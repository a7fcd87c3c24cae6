// The client library: the link to the renderer on the second core (shared
// area and command FIFO), the buffer manager for video memory and picture
// loading. Single-threaded; gpuOpen comes before every other call.
#pragma once

#include "gpu_protocol.h"

#include <cstdint>

enum gpuResult {
    gpuOK = 0,
    gpuNoRoom = 2,
    gpuBadParam = 4,
    gpuSysFail = 16,
};

// The mapped shared area; null until gpuOpen succeeds. Other units (the
// demo's texture writers) reach video memory through it.
extern gpuSharedArea* shared;

// One piece of a command sent by gpuWritev: a pointer and a length in bytes.
struct gpuPiece {
    const void* data;
    uint32_t size;
};

// --- Shared area and FIFO (unit quartzel) ----------------------------------

gpuResult gpuOpen();
void gpuClose();
// Both send one command (a multiple of 4 bytes) whole or not at all. A
// command longer than the ring can hold gets gpuNoRoom at once, even with
// wait true.
gpuResult gpuWrite(const void* cmd, uint32_t size, bool wait);
gpuResult gpuWritev(const gpuPiece* pieces, uint32_t count, bool wait);
int gpuReadErr();

// --- Buffer manager (unit mm) ----------------------------------------------

// Link of an intrusive circular doubly-linked list.
struct gpuListLink {
    gpuListLink* next;
    gpuListLink* prev;
};

// A buffer record; handles are pointers to it.
struct gpuBuf {
    gpuListLink list_link; // in `list` while the buffer holds memory
    gpuListLink fc_link;   // in `fc_list` while a deferred release is pending
    uint32_t fc;           // taken back once frame_count > fc
    gpuBufLoc loc;
};

// With wait true, gpuAlloc waits for the display to give memory back; a
// request larger than the whole of video memory returns null at once.
gpuBuf* gpuAlloc(uint32_t log2_width, uint32_t height, bool wait);
gpuBuf* gpuAlloc_(uint32_t log2_width, uint32_t height);
// Releases at once. A buffer handed to gpuFreeFC or gpuShowBuf belongs to the
// manager; freeing it as well is caught by an assertion.
void gpuFree(gpuBuf* buf);
void gpuFreeFC(gpuBuf* buf, uint32_t delay);
gpuBufLoc* gpuBuf_get_loc(gpuBuf* buf);
gpuResult gpuSetOutBuf(gpuBuf* buf, bool wait);
gpuResult gpuSetTxtBuf(gpuBuf* buf, bool wait);
gpuResult gpuSetZBuf(gpuBuf* buf, bool wait);
gpuResult gpuShowBuf(gpuBuf* buf, bool wait);

// --- Pictures (unit text) ---------------------------------------------------

// Converts 3 bytes per texel (R, G, B) into pixel words Y, U, Y, V and writes
// them into the buffer at loc. gpuOK, or gpuBadParam (nothing written) for a
// location that does not lie inside video memory, which no buffer has.
gpuResult gpuLoadImg(const gpuBufLoc* loc, const uint8_t* rgb);

// Pointer to word 0 of a buffer in the mapped video memory.
inline uint32_t* gpu_buffer_words(const gpuBufLoc* loc) {
    return shared->video_mem + loc->address;
}
