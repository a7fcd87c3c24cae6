// What the loader was asked to do, read from its arguments.
#pragma once

#include <cstdint>
#include <string>

namespace coreseed {

struct CommandLine {
    enum class Action {
        show_usage,    // no argument at all
        load,          // copy `file` to the second core's memory at `offset`
        reject_offset, // the offset text is not a 32-bit whole number
    };
    Action action = Action::show_usage;
    const char* file = nullptr;
    uint32_t offset = 0;
    std::string problem; // why the offset was rejected
};

inline constexpr const char* usage_line = "coreseed [offset] file";

// Accepts "file" and "offset file". With three or more arguments the first is
// the file and the rest are ignored.
CommandLine parse_command_line(int argc, const char* const argv[]);

} // namespace coreseed
