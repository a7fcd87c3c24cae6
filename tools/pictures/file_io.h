// Whole-file reading and writing for the picture tool, and loading packed
// picture data from either of its two forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picture_tool {

bool read_file(const std::string& path, std::string& data, std::string& error);
bool write_file(const std::string& path, const std::string& data, std::string& error);

// Packed bytes from a C++ source (.cpp, .cc, .cxx, .h, .hpp: the array
// `array_name`, or the first one when it is empty) or else from a raw binary
// file holding nothing but the bytes.
bool load_packed(const std::string& path, const std::string& array_name,
                 std::vector<uint8_t>& packed, std::string& error);

// The file name without its folders and its last extension.
std::string base_name(const std::string& path);

} // namespace picture_tool
