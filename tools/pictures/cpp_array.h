// Packed pictures as C++ source: the array definitions the demo compiles in,
// and reading them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picture_tool {

// A self-contained definition of `const uint8_t NAME[]` and `NAME_size`,
// with external linkage, 16 values to a line. `source_name` goes into the
// comment that says where the data came from.
std::string format_cpp_array(const std::string& name, const std::vector<uint8_t>& bytes,
                             const std::string& source_name);

// Reads the values between the braces of the array `name` (or of the first
// array in the text when `name` is empty): decimal, hexadecimal or octal
// integers from 0 to 255, separated by commas, comments allowed.
bool parse_cpp_array(const std::string& text, const std::string& name, std::vector<uint8_t>& bytes,
                     std::string& error);

// True for a C identifier, the only kind of name an array can have.
bool is_identifier(const std::string& name);

} // namespace picture_tool
