// Every constant of the simulated renderer in one place: the screen, the view
// it starts with, the limits it enforces on the command stream and the error
// values it reports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace renderer {

// Visible picture size of the handheld's screen.
inline constexpr int screen_width = 320;
inline constexpr int screen_height = 240;

// The view in force after a reset. With a focal length of 2^8 = 256 pixels a
// face 2 units in front of the camera shows 2.5 x 1.875 units across the
// 320 x 240 screen.
inline constexpr int32_t default_dproj = 8;
inline constexpr int32_t default_clip_min_x = -161;
inline constexpr int32_t default_clip_min_y = -121;
inline constexpr int32_t default_clip_max_x = 161;
inline constexpr int32_t default_clip_max_y = 121;
inline constexpr int32_t default_shade_unit = 96;
inline constexpr int32_t default_shade_span = 3;

// Largest accepted dproj: beyond 2^16 pixels of focal length the projected
// coordinates lose the precision the rasteriser needs.
inline constexpr int32_t max_dproj = 16;

// Limits of the command stream.
inline constexpr uint32_t max_facet_vertices = 64;
inline constexpr uint32_t max_log2_width = 12;
// Rows of an output buffer that facets may cover: the clip window stops
// here, as it stops at 2^max_log2_width columns, so that screen coordinates
// and the rasteriser's row store have fixed bounds.
inline constexpr int max_draw_rows = 4096;
// Corners a polygon can have: each cut (near plane, clip planes, the four
// sides of the clip window) adds at most one.
inline constexpr uint32_t max_polygon_vertices = max_facet_vertices + 1 + 5 + 4;
// Shown buffers that may wait for display; step() pauses at a show while the
// queue is full, so a runaway stream cannot grow it without bound.
inline constexpr std::size_t max_pending_shows = 256;

// Textured spans are perspective-correct at every this many pixels and
// stepped linearly in between.
inline constexpr int span_segment_pixels = 16;

// Studio-range luma limits and the black pixel word.
inline constexpr int luma_min = 16;
inline constexpr int luma_max = 235;
inline constexpr uint32_t black_pixel = 0x80108010u;

// 64-bit FNV-1a, used for the texture hash of the capture hook.
inline constexpr uint64_t fnv_offset_basis = 0xcbf29ce484222325ull;
inline constexpr uint64_t fnv_prime = 0x100000001b3ull;

// Values stored in error_code. Zero means no error.
enum ErrorCode : uint32_t {
    error_none = 0,
    error_unknown_opcode = 1,     // one word skipped
    error_bad_vertex_count = 2,   // facet header (5 words) skipped
    error_bad_buffer = 3,         // buffer outside video memory, empty or too wide
    error_no_output_buffer = 4,   // facet skipped
    error_no_texture = 5,         // textured facet skipped
    error_bad_rendering_type = 6, // facet skipped
    error_bad_view = 7,           // view command ignored
    error_too_many_planes = 8,    // plane count taken as 5
    error_bad_fifo_read = 9,      // FIFO resynchronised to fifo_write
    error_bad_fifo_write = 10,    // FIFO treated as empty
};

} // namespace renderer
