#include "coreseed.h"

#include "command_line.h"
#include "program_load.h"

#include <cstdio>

namespace coreseed {

int run(int argc, const char* const argv[], const RegisterBusFactory& make_bus) {
    const CommandLine command = parse_command_line(argc, argv);
    switch (command.action) {
    case CommandLine::Action::show_usage:
        std::printf("%s\n", usage_line);
        return 1;
    case CommandLine::Action::reject_offset:
        std::fprintf(stderr, "coreseed: %s\n", command.problem.c_str());
        return 1;
    case CommandLine::Action::load:
        break;
    }
    std::printf("Load file '%s'\n", command.file);
    return load_program(command.file, command.offset, make_bus);
}

} // namespace coreseed
