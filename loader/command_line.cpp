#include "command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace coreseed {
namespace {

// Reads the offset in C notation (decimal, 0x hexadecimal or 0 octal). A bare
// strtoul would turn a typo into offset 0 and "-1" into 0xFFFFFFFF, and either
// would silently overwrite the wrong memory; so only a complete, unsigned,
// 32-bit number is taken.
CommandLine parse_offset(const char* text, const char* file) {
    CommandLine result;
    result.file = file;

    const auto reject = [&](const char* why) {
        result.action = CommandLine::Action::reject_offset;
        result.problem = std::string("offset '") + text + "' " + why;
        return result;
    };

    // strtoul skips blanks and accepts a sign; an offset starts with a digit.
    if (!std::isdigit(static_cast<unsigned char>(text[0]))) {
        return reject("is not a whole number");
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (*end != '\0') {
        return reject("is not a whole number");
    }
    if (errno == ERANGE || value > 0xFFFFFFFFul) {
        return reject("does not fit in 32 bits");
    }
    result.action = CommandLine::Action::load;
    result.offset = static_cast<uint32_t>(value);
    return result;
}

} // namespace

CommandLine parse_command_line(int argc, const char* const argv[]) {
    CommandLine result;
    if (argc < 2) {
        return result;
    }
    if (argc == 3) {
        return parse_offset(argv[1], argv[2]);
    }
    result.action = CommandLine::Action::load;
    result.file = argv[1];
    return result;
}

} // namespace coreseed
