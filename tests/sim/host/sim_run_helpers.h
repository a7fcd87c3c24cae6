// Shared by the tests that run the built simulator: the paths of the
// programs and the parsing of the summary line.
#pragma once

#include "process_runner.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sim::test {

inline const std::string handheld_sim = HANDHELD_SIM_PATH;
inline const std::string test_loader = SIM_TEST_LOADER_PATH;
inline const std::string test_client = SIM_TEST_CLIENT_PATH;
inline const std::string capture_dump = CAPTURE_DUMP_PATH;
inline const std::string renderer_image = RENDERER_IMAGE_PATH;

struct Summary {
    bool parsed = false;
    unsigned long long frames = 0;
    double seconds = 0;
    double fps = 0;
    unsigned long long renderer_errors = 0;
    int exit_status = -1;
};

// Reads "handheld-sim: summary: frames=N seconds=S fps=F renderer_errors=E
// exit_status=X", which must be the last line of stderr.
inline Summary parse_summary(const std::string& err) {
    Summary s;
    const std::string line = last_line(err);
    // A run with the cycle model has more fields before exit_status.
    const size_t status = line.find(" exit_status=");
    s.parsed = status != std::string::npos &&
               std::sscanf(line.c_str(),
                           "handheld-sim: summary: frames=%llu seconds=%lf fps=%lf "
                           "renderer_errors=%llu",
                           &s.frames, &s.seconds, &s.fps, &s.renderer_errors) == 4 &&
               std::sscanf(line.c_str() + status, " exit_status=%d", &s.exit_status) == 1;
    return s;
}

// Runs handheld-sim with the given arguments and a private TMPDIR.
inline ProcessResult run_sim(const std::vector<std::string>& args, const std::string& tmpdir,
                             double timeout = 60) {
    std::vector<std::string> argv{handheld_sim};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessOptions options;
    options.env = {{"TMPDIR", tmpdir}};
    options.timeout_seconds = timeout;
    return run(argv, options);
}

} // namespace sim::test
