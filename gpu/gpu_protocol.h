// The wire protocol between the client on the main core and the renderer on
// the second core: the shared area and every command record. Both sides
// include this header and nothing else defines these layouts.
//
// All fields are little-endian 32-bit words; positions are 16.16 fixed point
// in camera space.
#pragma once

#include <cstddef>
#include <cstdint>

// --- The shared area -------------------------------------------------------

// Physical address of the shared area, 1 MiB above the renderer's program.
inline constexpr uint32_t gpu_shared_phys = 0x02100000;
// Size of the shared area in bytes.
inline constexpr uint32_t gpu_shared_bytes = 0x1E04B0C;
// Words in the FIFO ring; one slot always stays empty.
inline constexpr uint32_t gpu_fifo_words = 262139;
// Words of video memory.
inline constexpr uint32_t gpu_video_words = 0x740000;
// Byte offset of video memory within the shared area.
inline constexpr uint32_t gpu_video_offset = 0x100000;

struct gpuSharedArea {
    uint32_t fifo[gpu_fifo_words]; // command words, a ring (client writes)
    uint32_t fifo_read;            // next word the renderer reads (renderer writes)
    uint32_t fifo_write;           // next word the client writes (client writes)
    uint32_t error_code;           // last renderer error, 0 = none (client only clears)
    uint32_t frame_count;          // shown buffers displayed since the last reset
    uint32_t reserved;
    uint32_t video_mem[gpu_video_words]; // buffers, addressed in words
    uint8_t reserved_tail[0x4B0C];
};

static_assert(offsetof(gpuSharedArea, fifo) == 0x000000);
static_assert(offsetof(gpuSharedArea, fifo_read) == 0x0FFFEC);
static_assert(offsetof(gpuSharedArea, fifo_write) == 0x0FFFF0);
static_assert(offsetof(gpuSharedArea, error_code) == 0x0FFFF4);
static_assert(offsetof(gpuSharedArea, frame_count) == 0x0FFFF8);
static_assert(offsetof(gpuSharedArea, reserved) == 0x0FFFFC);
static_assert(offsetof(gpuSharedArea, video_mem) == gpu_video_offset);
static_assert(offsetof(gpuSharedArea, reserved_tail) == 0x1E00000);
static_assert(sizeof(gpuSharedArea) == gpu_shared_bytes);

// --- Opcodes ---------------------------------------------------------------

enum gpuOpcode : uint32_t {
    gpu_op_reset = 0,
    gpu_op_set_view = 1,
    gpu_op_set_clip_planes = 2,
    gpu_op_set_out_buf = 3,
    gpu_op_set_txt_buf = 4,
    gpu_op_set_z_buf = 5,
    gpu_op_show = 6,
    gpu_op_facet = 9,
};

// --- Records ---------------------------------------------------------------

// Where a buffer lies in video memory: `height` lines of 2^log2_width words
// from word `address` on.
struct gpuBufLoc {
    uint32_t address;
    uint32_t log2_width;
    uint32_t height;
};
static_assert(sizeof(gpuBufLoc) == 12);

// Opcode 0: back to the start state, frame_count to 0.
struct gpuCmdReset {
    uint32_t opcode;
};
static_assert(sizeof(gpuCmdReset) == 4);

// Opcode 1: the view. See the renderer's documentation for the meaning of
// dproj and of the two shading words.
struct gpuCmdSetView {
    uint32_t opcode;
    int32_t dproj;
    int32_t clip_min_x;
    int32_t clip_min_y;
    int32_t clip_max_x;
    int32_t clip_max_y;
    int32_t shade_unit; // word 6
    int32_t shade_span; // word 7
};
static_assert(sizeof(gpuCmdSetView) == 32);
static_assert(offsetof(gpuCmdSetView, dproj) == 4);
static_assert(offsetof(gpuCmdSetView, clip_max_y) == 20);
static_assert(offsetof(gpuCmdSetView, shade_unit) == 24);
static_assert(offsetof(gpuCmdSetView, shade_span) == 28);

// One clip plane: a point on it and the normal towards the kept side.
struct gpuClipPlane {
    int32_t point[3];
    int32_t normal[3];
};
static_assert(sizeof(gpuClipPlane) == 24);

inline constexpr uint32_t gpu_max_clip_planes = 5;

// Opcode 2: the clip planes in force; always sent whole.
struct gpuCmdSetClipPlanes {
    uint32_t opcode;
    uint32_t plane_count;
    gpuClipPlane planes[gpu_max_clip_planes];
};
static_assert(sizeof(gpuCmdSetClipPlanes) == 128);
static_assert(offsetof(gpuCmdSetClipPlanes, planes) == 8);

// Opcodes 3 to 6: one buffer each (output, texture, depth, show).
struct gpuCmdBuffer {
    uint32_t opcode;
    gpuBufLoc loc;
};
static_assert(sizeof(gpuCmdBuffer) == 16);
static_assert(offsetof(gpuCmdBuffer, loc) == 4);

// Opcode 9: a convex polygon, this header followed by vertex_count vertices.
struct cmdFacet {
    uint32_t opcode;
    uint32_t vertex_count;
    uint32_t color;
    int32_t param;
    uint32_t rendering_type;
};
static_assert(sizeof(cmdFacet) == 20);
static_assert(offsetof(cmdFacet, rendering_type) == 16);

struct cmdVertex {
    int32_t x;
    int32_t y;
    int32_t z;
    int32_t u;     // texel column, 16.16
    int32_t v;     // texel row, 16.16
    int32_t shade; // per-vertex shading value, 16.16
};
static_assert(sizeof(cmdVertex) == 24);
static_assert(offsetof(cmdVertex, shade) == 20);

// Words of a facet command with the given number of vertices.
inline constexpr uint32_t gpu_facet_words(uint32_t vertex_count) {
    return 5 + 6 * vertex_count;
}

// Length in words of every command but the facet, whose length depends on its
// vertex count (gpu_facet_words); 0 for the facet and for unknown opcodes.
// The FIFO has no framing of its own: this table is how a reader finds where
// the next command starts.
inline constexpr uint32_t gpu_fixed_command_words(uint32_t opcode) {
    switch (opcode) {
    case gpu_op_reset:
        return sizeof(gpuCmdReset) / 4;
    case gpu_op_set_view:
        return sizeof(gpuCmdSetView) / 4;
    case gpu_op_set_clip_planes:
        return sizeof(gpuCmdSetClipPlanes) / 4;
    case gpu_op_set_out_buf:
    case gpu_op_set_txt_buf:
    case gpu_op_set_z_buf:
    case gpu_op_show:
        return sizeof(gpuCmdBuffer) / 4;
    default:
        return 0;
    }
}
