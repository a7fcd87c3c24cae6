#include "commands.h"

namespace renderer {

namespace {

constexpr uint32_t words_of(size_t bytes) {
    return static_cast<uint32_t>(bytes / 4);
}

constexpr uint32_t facet_header_words = words_of(sizeof(cmdFacet));
constexpr uint32_t plane_words = words_of(sizeof(gpuClipPlane));
constexpr uint32_t planes_offset = words_of(offsetof(gpuCmdSetClipPlanes, planes));

int64_t from_fixed(uint32_t word) {
    return static_cast<int32_t>(word);
}

} // namespace

// Only a facet's length depends on a field; every other opcode, known or
// not, is judged by its first word alone.
uint32_t command_header_words(uint32_t opcode) {
    return opcode == gpu_op_facet ? 2 : 1;
}

bool facet_vertex_count_ok(uint32_t vertex_count) {
    return vertex_count >= 1 && vertex_count <= max_facet_vertices;
}

uint32_t command_length(const uint32_t* head) {
    if (head[0] == gpu_op_facet) {
        if (!facet_vertex_count_ok(head[1])) return facet_header_words;
        return gpu_facet_words(head[1]);
    }
    // Unknown opcodes are skipped one word at a time.
    const uint32_t fixed = gpu_fixed_command_words(head[0]);
    return fixed != 0 ? fixed : 1;
}

gpuBufLoc buffer_location(const uint32_t* words) {
    return {words[1], words[2], words[3]};
}

BufferSel check_buffer(const gpuBufLoc& loc) {
    BufferSel sel;
    if (loc.log2_width > max_log2_width || loc.height == 0) return sel;
    // 64-bit sums: a hostile address near 2^32 must not wrap back into range.
    const uint64_t words = static_cast<uint64_t>(loc.height) << loc.log2_width;
    if (static_cast<uint64_t>(loc.address) + words > gpu_video_words) return sel;
    sel.valid = true;
    sel.address = loc.address;
    sel.log2_width = loc.log2_width;
    sel.height = loc.height;
    return sel;
}

ErrorCode apply_set_view(const uint32_t* words, View& view) {
    View next;
    next.dproj = static_cast<int32_t>(words[1]);
    next.clip_min_x = static_cast<int32_t>(words[2]);
    next.clip_min_y = static_cast<int32_t>(words[3]);
    next.clip_max_x = static_cast<int32_t>(words[4]);
    next.clip_max_y = static_cast<int32_t>(words[5]);
    next.shade_unit = static_cast<int32_t>(words[6]);
    next.shade_span = static_cast<int32_t>(words[7]);
    // A zero shade octave would divide by zero in every shaded facet; a
    // negative one merely inverts the shading and is accepted.
    if (next.dproj < 0 || next.dproj > max_dproj || next.shade_octave() == 0) {
        return error_bad_view;
    }
    view = next;
    return error_none;
}

ErrorCode apply_clip_planes(const uint32_t* words, RenderState& state) {
    const uint32_t count = words[1];
    ErrorCode err = error_none;
    state.plane_count = count;
    if (count > gpu_max_clip_planes) {
        err = error_too_many_planes;
        state.plane_count = gpu_max_clip_planes;
    }
    // All five slots are kept, as sent; only the first plane_count are used.
    for (uint32_t p = 0; p < gpu_max_clip_planes; ++p) {
        const uint32_t* w = words + planes_offset + p * plane_words;
        for (int k = 0; k < 3; ++k) {
            state.planes[p].point[k] = from_fixed(w[k]);
            state.planes[p].normal[k] = from_fixed(w[3 + k]);
        }
    }
    return err;
}

ErrorCode apply_buffer(const uint32_t* words, BufferSel& selection) {
    selection = check_buffer(buffer_location(words));
    return selection.valid ? error_none : error_bad_buffer;
}

} // namespace renderer
