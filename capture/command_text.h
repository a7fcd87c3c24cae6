// Turns captured commands into readable text, one command a line, with the
// field names of the wire protocol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim::capture {

struct TextOptions {
    // Buffer addresses differ from run to run when allocation order does;
    // masking them makes two dumps comparable.
    bool mask_addresses = false;
};

// The protocol name of an opcode, or nullptr for one the protocol lacks.
const char* opcode_name(uint32_t opcode);

// The length in words a command with these leading words must have, or 0
// when the opcode is unknown (or a facet's vertex count is missing).
size_t expected_command_words(const uint32_t* words, size_t count);

// Whether a captured command has a length the renderer can have consumed:
// its opcode's length, one word for an unknown opcode, or for a facet whose
// vertex count the renderer rejected, the five-word header alone.
bool captured_length_ok(const uint32_t* words, size_t count);

// The same as a message: empty when the length is one the renderer can have
// consumed, else why not, prefixed "malformed capture: " and where.
std::string captured_length_error(const uint32_t* words, size_t count, const std::string& where);

// A 16.16 value as its raw hex word and its decimal value, for example
// "0xfff60000(-10.00000)"; the decimal part is rounded to 5 places.
std::string format_fixed(int32_t value);

// Appends one line (without the newline) describing the command; one of a
// length captured_length_ok refuses is printed as raw words.
void format_command(std::string& out, const uint32_t* words, size_t count,
                    const TextOptions& options);

} // namespace sim::capture
