// The loader's command line and the check that its image stays in the second
// core's memory. Input: the arguments separated by zero bytes (at most five,
// after the program name), then, after a final zero byte, up to 8 bytes of
// image size.
//
// An offset the loader accepts must be exactly the number its text spells,
// and an image it places must lie wholly inside the second core's memory.
#include "command_line.h"
#include "handheld_memory.h"
#include "image_placement.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "coreseed_args: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace coreseed;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args{"coreseed"};
    size_t pos = 0;
    while (pos < input.size() && args.size() < 6) {
        size_t end = input.find('\0', pos);
        if (end == std::string::npos) end = input.size();
        args.push_back(input.substr(pos, end - pos));
        pos = end + 1;
    }
    uint64_t image_size = 0;
    for (size_t i = pos; i < input.size() && i < pos + 8; ++i)
        image_size = image_size << 8 | static_cast<uint8_t>(input[i]);

    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(args.size());
    const CommandLine command = parse_command_line(argc, argv.data());

    switch (command.action) {
    case CommandLine::Action::show_usage:
        check(argc < 2, "usage shown although a file was given");
        return 0;
    case CommandLine::Action::reject_offset:
        check(argc == 3 && !command.problem.empty(), "an offset refused without reason");
        return 0;
    case CommandLine::Action::load:
        break;
    }
    check(command.file != nullptr, "a load without a file");
    if (argc == 3) {
        // The accepted text is a complete number: read again in full
        // precision it gives the same value.
        const char* text = argv[1];
        check(text[0] >= '0' && text[0] <= '9', "an offset that does not start with a digit");
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text, &end, 0);
        check(*end == '\0' && errno == 0 && value == command.offset, "an offset misread");
    } else {
        check(command.offset == 0, "an offset without an offset argument");
    }

    if (image_fits(command.offset, image_size) && image_size > 0) {
        const uint64_t start = image_address(command.offset);
        check(start >= second_core_memory_base &&
                  start + image_size <= uint64_t{second_core_memory_base} + second_core_memory_size,
              "an image placed outside the second core's memory");
    }
    return 0;
}
