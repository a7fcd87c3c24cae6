#include "capture_summary.h"

#include "capture_format.h"
#include "gpu_protocol.h"

namespace sim::capture {
namespace {

bool is_buffer_command(uint32_t opcode) {
    return opcode >= gpu_op_set_out_buf && opcode <= gpu_op_show;
}

} // namespace

void CommandDigest::add_command(const uint32_t* words, size_t count) {
    const bool masked = count > 1 && is_buffer_command(words[0]);
    for (size_t i = 0; i < count; ++i)
        hash_ = fnv1a_word(hash_, masked && i == 1 ? 0 : words[i]);
}

void CaptureStats::add_command(const uint32_t* words, size_t count) {
    if (count == 0) return;
    const uint32_t opcode = words[0];
    ++per_opcode[opcode < per_opcode.size() ? opcode : per_opcode.size() - 1];
    ++commands;
    command_words += count;
    if (opcode == gpu_op_show) ++frames;
}

} // namespace sim::capture
