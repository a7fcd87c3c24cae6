#include "command_text.h"

#include "gpu_protocol.h"

#include <cinttypes>
#include <cstdio>

namespace sim::capture {
namespace {

void append(std::string& out, const char* format, auto... values) {
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    out += text;
}

void append_fixed(std::string& out, const char* name, uint32_t raw) {
    out += name;
    out += '=';
    out += format_fixed(static_cast<int32_t>(raw));
}

// Words 1 to 3 of the four buffer commands.
void format_buffer(std::string& out, const uint32_t* words, const TextOptions& options) {
    if (options.mask_addresses)
        out += " address=*";
    else
        append(out, " address=0x%08" PRIx32, words[1]);
    append(out, " log2_width=%" PRIu32 " height=%" PRIu32, words[2], words[3]);
}

void format_view(std::string& out, const uint32_t* words) {
    static const char* const names[] = {"dproj",      "clip_min_x", "clip_min_y", "clip_max_x",
                                        "clip_max_y", "shade_unit", "shade_span"};
    for (int i = 0; i < 7; ++i)
        append(out, " %s=%" PRId32, names[i], static_cast<int32_t>(words[i + 1]));
}

void format_vector(std::string& out, const char* name, const uint32_t* xyz) {
    out += ' ';
    out += name;
    out += "=(";
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out += ' ';
        out += format_fixed(static_cast<int32_t>(xyz[i]));
    }
    out += ')';
}

void format_clip_planes(std::string& out, const uint32_t* words) {
    const uint32_t count = words[1];
    append(out, " plane_count=%" PRIu32, count);
    if (count > gpu_max_clip_planes) out += "(more than the 5 slots)";
    const uint32_t shown = count < gpu_max_clip_planes ? count : gpu_max_clip_planes;
    for (uint32_t p = 0; p < shown; ++p) {
        const uint32_t* plane = words + 2 + 6 * p;
        append(out, " p%" PRIu32 "=[", p);
        format_vector(out, "point", plane);
        format_vector(out, "normal", plane + 3);
        out += " ]";
    }
}

void format_facet(std::string& out, const uint32_t* words, size_t count) {
    const uint32_t vertices = words[1];
    append(out, " vertex_count=%" PRIu32 " color=0x%08" PRIx32 " param=%" PRId32, vertices,
           words[2], static_cast<int32_t>(words[3]));
    append(out, " rendering_type=%" PRIu32, words[4]);
    if (count != expected_command_words(words, count)) {
        // The renderer rejected the vertex count and consumed the header only.
        out += " (header only: vertex count rejected)";
        return;
    }
    static const char* const fields[] = {"x", "y", "z", "u", "v", "shade"};
    for (uint32_t k = 0; k < vertices; ++k) {
        const uint32_t* vertex = words + 5 + 6 * k;
        append(out, " v%" PRIu32 "=[", k);
        for (int f = 0; f < 6; ++f) {
            out += ' ';
            append_fixed(out, fields[f], vertex[f]);
        }
        out += " ]";
    }
}

} // namespace

const char* opcode_name(uint32_t opcode) {
    switch (opcode) {
    case gpu_op_reset:
        return "reset";
    case gpu_op_set_view:
        return "setView";
    case gpu_op_set_clip_planes:
        return "setCpCmd";
    case gpu_op_set_out_buf:
        return "setOutBuf";
    case gpu_op_set_txt_buf:
        return "setTxtBuf";
    case gpu_op_set_z_buf:
        return "setZBuf";
    case gpu_op_show:
        return "show";
    case gpu_op_facet:
        return "cmdFacet";
    default:
        return nullptr;
    }
}

size_t expected_command_words(const uint32_t* words, size_t count) {
    if (count == 0) return 0;
    if (words[0] == gpu_op_facet) {
        // Computed in 64 bits: a corrupt vertex count must not wrap into a
        // small, plausible length.
        if (count < 2) return 0;
        return static_cast<size_t>(5 + 6 * static_cast<uint64_t>(words[1]));
    }
    return gpu_fixed_command_words(words[0]);
}

bool captured_length_ok(const uint32_t* words, size_t count) {
    if (count == 0) return false;
    // The renderer takes at least a facet's whole header, even when it
    // rejects the vertex count; a shorter record would have the printer read
    // header fields past its end.
    constexpr size_t facet_header_words = sizeof(cmdFacet) / 4;
    if (words[0] == gpu_op_facet)
        return count == facet_header_words ||
               (count > facet_header_words && count == expected_command_words(words, count));
    const size_t expected = expected_command_words(words, count);
    if (expected == 0) return count == 1;
    return count == expected;
}

std::string captured_length_error(const uint32_t* words, size_t count, const std::string& where) {
    if (captured_length_ok(words, count)) return {};
    if (count == 0) return "malformed capture: " + where + " is an empty command";
    const size_t expected = expected_command_words(words, count);
    if (words[0] == gpu_op_facet && count < sizeof(cmdFacet) / 4)
        return "malformed capture: " + where + " is a cmdFacet of " + std::to_string(count) +
               " words, shorter than its " + std::to_string(sizeof(cmdFacet) / 4) +
               "-word header";
    if (expected == 0)
        return "malformed capture: " + where + " holds " + std::to_string(count) +
               " words of unknown opcode " + std::to_string(words[0]) +
               ", of which the renderer consumes one";
    return "malformed capture: " + where + " is a " + opcode_name(words[0]) + " of " +
           std::to_string(count) + " words, expected " + std::to_string(expected);
}

std::string format_fixed(int32_t value) {
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? static_cast<uint64_t>(-static_cast<int64_t>(value))
                                        : static_cast<uint64_t>(value);
    uint64_t whole = magnitude >> 16;
    uint64_t fraction = ((magnitude & 0xFFFF) * 100000 + 0x8000) >> 16;
    if (fraction == 100000) {
        ++whole;
        fraction = 0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "0x%08" PRIx32 "(%s%" PRIu64 ".%05" PRIu64 ")",
                  static_cast<uint32_t>(value), negative ? "-" : "", whole, fraction);
    return text;
}

void format_command(std::string& out, const uint32_t* words, size_t count,
                    const TextOptions& options) {
    const char* name = count > 0 ? opcode_name(words[0]) : nullptr;
    if (name == nullptr || !captured_length_ok(words, count)) {
        append(out, "unknown opcode=%" PRIu32 " words=[", count > 0 ? words[0] : 0);
        for (size_t i = 0; i < count; ++i)
            append(out, i == 0 ? "0x%08" PRIx32 : " 0x%08" PRIx32, words[i]);
        out += ']';
        return;
    }
    out += name;
    switch (words[0]) {
    case gpu_op_set_view:
        format_view(out, words);
        break;
    case gpu_op_set_clip_planes:
        format_clip_planes(out, words);
        break;
    case gpu_op_set_out_buf:
    case gpu_op_set_txt_buf:
    case gpu_op_set_z_buf:
    case gpu_op_show:
        format_buffer(out, words, options);
        break;
    case gpu_op_facet:
        format_facet(out, words, count);
        break;
    default:
        break;
    }
}

} // namespace sim::capture
