// The command line: what is accepted, and a clear refusal of the rest.
#include "host_error.h"
#include "options.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sim {
namespace {

Options parse(std::vector<std::string> args) {
    args.insert(args.begin(), "handheld-sim");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    return parse_options(static_cast<int>(argv.size()), argv.data());
}

std::string refusal(const std::vector<std::string>& args) {
    try {
        parse(args);
    } catch (const HostError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(Options, ParsesOutputsAndTheCommandAfterTheSeparator) {
    const Options o = parse({"--fast", "--renderer-now", "--video", "a.y4m", "--png=shots",
                             "--png-frames", "7,0,2000", "--contact-sheet", "s.png", "--capture",
                             "c.cap", "--no-window", "--", "sh", "-c", "exit 3"});
    EXPECT_TRUE(o.fast);
    EXPECT_TRUE(o.renderer_now);
    EXPECT_EQ(o.video, "a.y4m");
    EXPECT_EQ(o.png_dir, "shots");
    EXPECT_EQ(o.png_frames, (std::vector<uint64_t>{7, 0, 2000}));
    EXPECT_EQ(o.contact_sheet, "s.png");
    EXPECT_EQ(o.capture, "c.cap");
    EXPECT_EQ(o.window, WindowChoice::off);
    // Options of the command are the command's, even when they look like ours.
    EXPECT_EQ(o.command, (std::vector<std::string>{"sh", "-c", "exit 3"}));
    EXPECT_EQ(parse({"--", "prog", "--fast"}).command,
              (std::vector<std::string>{"prog", "--fast"}));
    EXPECT_FALSE(parse({"--", "prog", "--fast"}).fast);
    // Without the separator the command starts at the first non-option.
    EXPECT_EQ(parse({"--fast", "prog", "--help"}).command,
              (std::vector<std::string>{"prog", "--help"}));
    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(Options, RefusesMalformedCommandLines) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"--fast"}, "no command"},
        {{"--fast", "--"}, "no command"},
        {{"--speed", "--", "x"}, "unknown option '--speed'"},
        {{"--video"}, "needs a value"},
        {{"--video=", "--", "x"}, "non-empty"},
        {{"--fast=1", "--", "x"}, "takes no value"},
        {{"--video", "out.avi", "--", "x"}, "must end in .y4m or .mp4"},
        {{"--png", "dir", "--", "x"}, "go together"},
        {{"--png-frames", "1", "--", "x"}, "go together"},
        {{"--png", "d", "--png-frames", "1,,2", "--", "x"}, "not a list"},
        {{"--png", "d", "--png-frames", "-1", "--", "x"}, "not a list"},
        {{"--png", "d", "--png-frames", "99999999999999999999999", "--", "x"}, "too large"},
        {{"--second-core", "arm", "--", "x"}, "not native or emulated"},
        {{"--second-core", "emulated", "--renderer-now", "--", "x"}, "the loader must load"},
        {{"--second-core=emulated", "--capture", "c.cap", "--", "x"}, "--capture-digests-only"},
        {{"--instructions", "i.txt", "--", "x"}, "needs --second-core emulated"},
        {{"--cycles", "c.txt", "--", "x"}, "needs --second-core emulated"},
        {{"--second-core", "emulated", "--memory-timing", "plausible", "--", "x"},
         "--memory-timing goes with --cycles FILE"},
        {{"--memory-timing", "fast", "--", "x"}, "is not one of plausible, pessimistic"},
        {{"--frames", "0", "--", "x"}, "not a whole number above 0"},
        {{"--frames", "1e3", "--", "x"}, "not a whole number above 0"},
        {{"--frames", "99999999999999999999999", "--", "x"}, "not a whole number above 0"},
    };
    for (const Case& c : cases) {
        const std::string message = refusal(c.args);
        EXPECT_NE(message.find(c.expected), std::string::npos)
            << "args " << ::testing::PrintToString(c.args) << " gave: " << message;
    }
}

} // namespace
} // namespace sim
