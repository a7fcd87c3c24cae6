// The loader's arguments and the placement check that follows sizing.
#include "command_line.h"
#include "image_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using coreseed::CommandLine;
using coreseed::parse_command_line;

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "coreseed");
    return parse_command_line(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CoreseedCommandLine, ArgumentCountDecidesTheForm) {
    EXPECT_EQ(parse({}).action, CommandLine::Action::show_usage);

    const CommandLine one = parse({"prog"});
    EXPECT_EQ(one.action, CommandLine::Action::load);
    EXPECT_STREQ(one.file, "prog");
    EXPECT_EQ(one.offset, 0u);

    const CommandLine two = parse({"0x10000", "prog"});
    EXPECT_EQ(two.action, CommandLine::Action::load);
    EXPECT_STREQ(two.file, "prog");
    EXPECT_EQ(two.offset, 0x10000u);

    // Three or more: the first is the file, nothing is read as an offset,
    // not even text that would be a valid offset or an invalid one.
    for (const CommandLine& many :
         {parse({"prog", "0x10000", "x"}), parse({"-1", "a", "b", "c"})}) {
        EXPECT_EQ(many.action, CommandLine::Action::load);
        EXPECT_EQ(many.offset, 0u);
    }
    EXPECT_STREQ(parse({"-1", "a", "b"}).file, "-1");
}

TEST(CoreseedCommandLine, OffsetsInCNotationAreAccepted) {
    const struct {
        const char* text;
        uint32_t offset;
    } cases[] = {
        {"0", 0},
        {"4096", 4096},
        {"0x10000", 0x10000},
        {"0X1f000", 0x1F000},
        {"010", 8},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"4294967295", 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse({c.text, "prog"});
        EXPECT_EQ(line.action, CommandLine::Action::load) << c.text;
        EXPECT_EQ(line.offset, c.offset) << c.text;
    }
}

TEST(CoreseedCommandLine, OffsetsThatAreNotWhole32BitNumbersAreRejected) {
    const char* const cases[] = {"",
                                 "-1",
                                 "-0",
                                 "+16",
                                 " 16",
                                 "16 ",
                                 "12abc",
                                 "0x",
                                 "08",
                                 "ten",
                                 "4294967296",
                                 "0x100000000",
                                 "99999999999999999999999"};
    for (const char* text : cases) {
        const CommandLine line = parse({text, "prog"});
        EXPECT_EQ(line.action, CommandLine::Action::reject_offset) << '"' << text << '"';
        EXPECT_NE(line.problem.find(std::string("'") + text + "'"), std::string::npos)
            << line.problem;
    }
}

TEST(CoreseedImagePlacement, ImageMustLieInTheSecondCoresMemory) {
    const struct {
        uint32_t offset;
        uint64_t size;
        bool fits;
    } cases[] = {
        {0, 1, true},
        {0, 0x02000000, true},      // the whole 32 MiB
        {0, 0x02000001, false},     // one byte past the end
        {0x01FFF000, 0x1000, true}, // the last page exactly
        {0x01FFF000, 0x1001, false},
        {0x02000000, 1, false},      // starts right after the window
        {0xFE000000, 0x1000, false}, // wraps to address 0
        {0xFFFFF000, 0x1000, false}, // wraps to 0x01FFF000, just below
        {0xFFFFFFFF, 0x1000000000ull, false},
        {0x02000000, 0, true}, // empty: left for the mapping to refuse
    };
    for (const auto& c : cases) {
        EXPECT_EQ(coreseed::image_fits(c.offset, c.size), c.fits)
            << std::hex << c.offset << " + " << c.size;
    }
    EXPECT_EQ(coreseed::image_address(0x10000), 0x02010000u);
    EXPECT_EQ(coreseed::image_address(0xFE000000), 0u);
}

} // namespace
