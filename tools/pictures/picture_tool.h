// The picture tool's commands, callable in-process: pack a PBM into C++
// source, unpack packed data into a PBM, preview the texture the demo builds.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace picture_tool {

inline constexpr int exit_ok = 0;
inline constexpr int exit_bad_input = 1; // unreadable or invalid files
inline constexpr int exit_usage = 2;     // wrong command line

// Runs the tool with the arguments after the program name. Messages for the
// user go to `out`, errors to `err`; returns the exit status.
int run_picture_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace picture_tool
