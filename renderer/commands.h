// Decoding of the command stream: how long each command is, and the commands
// that only change selections (view, clip planes, buffers).
#pragma once

#include "config.h"
#include "render_state.h"

#include <cstdint>

namespace renderer {

// Words at the head of a command that must be present before its length is
// known: the opcode, plus the vertex count for a facet.
uint32_t command_header_words(uint32_t opcode);

// The number of words a command occupies. head holds its first
// command_header_words(opcode) words. Malformed commands get the length the
// renderer skips: one word for an unknown opcode, the five-word header for a
// facet with a vertex count of 0 or above max_facet_vertices.
uint32_t command_length(const uint32_t* head);

// The longest command the renderer ever consumes at once.
inline constexpr uint32_t max_command_words = 5 + 6 * max_facet_vertices;

// Whether a facet command's vertex count is one the renderer draws.
bool facet_vertex_count_ok(uint32_t vertex_count);

// The buffer location in words 1 to 3 of a buffer command.
gpuBufLoc buffer_location(const uint32_t* words);

// setView: takes the new view unless its dproj or shading words are unusable.
ErrorCode apply_set_view(const uint32_t* words, View& view);

// setCpCmd: the clip planes in force from now on. A count above the five
// slots is reported and taken as five.
ErrorCode apply_clip_planes(const uint32_t* words, RenderState& state);

// setOutBuf, setTxtBuf, setZBuf: a rejected location leaves nothing
// selected, so later facets are skipped instead of landing in a buffer the
// client has moved on from.
ErrorCode apply_buffer(const uint32_t* words, BufferSel& selection);

} // namespace renderer
