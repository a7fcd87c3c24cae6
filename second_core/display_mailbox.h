// The mailbox between the renderer on the second core and the display
// program on the main core, in the shared area's reserved tail, which the
// client never touches. Every word is read and written through the shared
// accessors.
//
// The renderer keeps its queue of shown buffers. When the mailbox is free
// (posted == taken) and a shown buffer waits, it writes the buffer's place
// and then publishes posted + 1. The display program converts that buffer
// into the frame buffer and publishes taken = posted; only then does the
// renderer advance frame_count, so the client never reuses a buffer that is
// still being copied out.
//
// A scan-out that must see every frame (the simulator) sets scanout_present
// to scanout_magic and acknowledges each taken frame in scanout_ack; while
// it is present the display program waits for that acknowledgement before
// it converts the next buffer, instead of pacing itself by its own clock.
//
// The client ends without waiting for its last frames, so the display
// program, asked to stop, must know when the renderer has none left: the
// renderer publishes in `drained` the FIFO position up to which it has
// executed every command, with no shown buffer queued or posted and not yet
// taken, and not_drained while it has work. Once it equals the client's
// fifo_write after the client's end, every frame the client showed is on
// the screen.
#pragma once

#include "gpu_protocol.h"

#include <cstddef>
#include <cstdint>

struct gpuDisplayMailbox {
    uint32_t magic;           // mailbox_magic once the renderer runs (renderer writes)
    uint32_t posted;          // buffers posted for display (renderer writes)
    uint32_t address;         // the posted buffer: gpuBufLoc fields (renderer writes)
    uint32_t log2_width;
    uint32_t height;
    uint32_t taken;           // posted buffers copied to the frame buffer (display program writes)
    uint32_t scanout_present; // scanout_magic while a scan-out acknowledges frames (simulator writes)
    uint32_t scanout_ack;     // taken frames the scan-out has seen (simulator writes)
    uint32_t drained;         // FIFO position with nothing left to show (renderer writes)
};

inline constexpr uint32_t gpu_display_mailbox_magic = 0x4D44464Cu;  // "LFDM"
inline constexpr uint32_t gpu_display_scanout_magic = 0x4F53464Cu;  // "LFSO"
// Written in magic by whoever releases the second core (the simulator), so
// that the display program knows a renderer is about to answer; the
// renderer replaces it with mailbox_magic. Anything else in magic means no
// renderer of ours runs.
inline constexpr uint32_t gpu_display_mailbox_starting = 0x5344464Cu; // "LFDS"
// No FIFO position is this large, so fifo_write never equals it.
inline constexpr uint32_t gpu_display_not_drained = 0xFFFFFFFFu;
static_assert(gpu_display_not_drained >= gpu_fifo_words);

// Byte offset of the mailbox within the shared area: the start of the
// reserved tail.
inline constexpr size_t gpu_display_mailbox_offset = offsetof(gpuSharedArea, reserved_tail);

static_assert(sizeof(gpuDisplayMailbox) == 36);
static_assert(sizeof(gpuDisplayMailbox) <= sizeof(gpuSharedArea::reserved_tail));

inline gpuDisplayMailbox* gpu_display_mailbox(gpuSharedArea* area) {
    return reinterpret_cast<gpuDisplayMailbox*>(reinterpret_cast<uint8_t*>(area) +
                                                gpu_display_mailbox_offset);
}
