// The built loader program, run against a private memory file: what it
// prints, what it exits with, and what it leaves in memory and registers.
#include "coreseed_process.h"
#include "sim_memory_file.h"

#include <gtest/gtest.h>

namespace {

using loader_test::CoreseedRun;
using loader_test::ProcessResult;
using loader_test::sample_program;

class CoreseedProgram : public ::testing::Test {
  protected:
    ProcessResult run(std::vector<std::string> arguments,
                      std::vector<std::pair<std::string, std::string>> shim_settings = {}) {
        return loader_test::run_coreseed(
            CoreseedRun{std::move(arguments), memory.folder(), std::move(shim_settings)});
    }

    void expect_registers_untouched() {
        EXPECT_EQ(memory.read_register(0x3B48), 0x0082);
        EXPECT_EQ(memory.read_register(0x0904), 0x0000);
        EXPECT_EQ(memory.read_register(0x3B40), 0x1111);
        EXPECT_EQ(memory.read_register(0x3B42), 0x2222);
    }

    void expect_released() {
        EXPECT_EQ(memory.read_register(0x3B48), 0x0002);
        EXPECT_EQ(memory.read_register(0x0904), 0x0001);
        EXPECT_EQ(memory.read_register(0x3B40), 0x0000);
        EXPECT_EQ(memory.read_register(0x3B42), 0x0000);
    }

    void SetUp() override {
        // Values the release must overwrite, so that writing them is visible.
        memory.write_register(0x3B40, 0x1111);
        memory.write_register(0x3B42, 0x2222);
    }

    loader_test::SimMemoryFile memory;
};

TEST_F(CoreseedProgram, NoArgumentPrintsUsage) {
    const ProcessResult result = run({});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "coreseed [offset] file\n");
    EXPECT_EQ(result.err, "");
    expect_registers_untouched();
}

TEST_F(CoreseedProgram, LoadsAtTheStartOfTheSecondCoresMemoryAndReleasesIt) {
    const std::vector<uint8_t> bytes = sample_program(10000);
    const std::string program = memory.write_file("prog", bytes);

    const ProcessResult result = run({program});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "Load file '" + program + "'\n  writing 10000 bytes...\nOk\n");
    EXPECT_EQ(memory.read_physical(0x02000000, bytes.size()), bytes);
    expect_released();
}

TEST_F(CoreseedProgram, LoadsAtAnOffsetAndNowhereElse) {
    const std::vector<uint8_t> bytes = sample_program(10000);
    const std::string program = memory.write_file("prog", bytes);

    const ProcessResult result = run({"0x10000", program});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(memory.read_physical(0x02010000, bytes.size()), bytes);
    EXPECT_EQ(memory.read_physical(0x02000000, 0x10000), std::vector<uint8_t>(0x10000, 0));
    expect_released();
}

TEST_F(CoreseedProgram, ThreeOrMoreArgumentsTakeTheFirstAsTheFile) {
    const std::vector<uint8_t> bytes = sample_program(3000);
    const std::string program = memory.write_file("prog", bytes);

    const ProcessResult result = run({program, "0x10000", "extra"});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "Load file '" + program + "'\n  writing 3000 bytes...\nOk\n");
    EXPECT_EQ(memory.read_physical(0x02000000, bytes.size()), bytes);
}

TEST_F(CoreseedProgram, PrintsOneLinePerPieceRead) {
    const std::vector<uint8_t> bytes = sample_program(10000);
    const std::string program = memory.write_file("prog", bytes);

    const ProcessResult result = run({program}, {{"LUMENFALL_TEST_READ_LIMIT", "4096"}});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "Load file '" + program +
                              "'\n  writing 4096 bytes...\n  writing 4096 bytes...\n"
                              "  writing 1808 bytes...\nOk\n");
    EXPECT_EQ(memory.read_physical(0x02000000, bytes.size()), bytes);
    expect_released();
}

TEST_F(CoreseedProgram, FailuresBeforeTheCopyLeaveTheRegistersAlone) {
    const std::string program = memory.write_file("prog", sample_program(8192));
    const std::string empty = memory.write_file("empty", {});
    const std::string missing = memory.folder() + "/missing";
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::pair<std::string, std::string>> shim;
        std::string error_prefix;
    } cases[] = {
        {{missing}, {}, "open program: No such file or directory\n"},
        {{program}, {{"LUMENFALL_TEST_FAIL_LSEEK", "end"}}, "lseek: Input/output error\n"},
        {{program}, {{"LUMENFALL_TEST_FAIL_LSEEK", "start"}}, "lseek: Input/output error\n"},
        {{empty}, {}, "mmap /dev/mem: "},
        {{"0x800", program}, {}, "mmap /dev/mem: Invalid argument\n"},
    };
    for (const auto& c : cases) {
        const ProcessResult result = run(c.arguments, c.shim);
        const std::string& file = c.arguments.back();
        EXPECT_EQ(result.exit_status, 1) << c.error_prefix;
        EXPECT_EQ(result.out, "Load file '" + file + "'\n");
        EXPECT_EQ(result.err.rfind(c.error_prefix, 0), 0u) << result.err;
        expect_registers_untouched();
    }
}

TEST_F(CoreseedProgram, MissingMemoryDeviceIsReported) {
    const std::string program = memory.write_file("prog", sample_program(100));
    memory.remove_memory();

    const ProcessResult result = run({program});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "open /dev/mem: No such file or directory\n");
}

TEST_F(CoreseedProgram, ReadFailureLeavesTheCoreHeld) {
    memory.write_register(0x3B48, 0xA502); // running, other bits set
    memory.write_register(0x0904, 0xFFFF);
    const std::vector<uint8_t> bytes = sample_program(10000);
    const std::string program = memory.write_file("prog", bytes);

    const ProcessResult result =
        run({program}, {{"LUMENFALL_TEST_READ_LIMIT", "4096"}, {"LUMENFALL_TEST_FAIL_READ", "2"}});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "Load file '" + program + "'\n  writing 4096 bytes...\n");
    EXPECT_EQ(result.err, "read: Input/output error\n");
    EXPECT_EQ(memory.read_register(0x3B48), 0xA582);
    EXPECT_EQ(memory.read_register(0x0904), 0xFFFE);
    EXPECT_EQ(memory.read_register(0x3B40), 0x1111);
    EXPECT_EQ(memory.read_physical(0x02000000, 4096),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4096));
}

TEST_F(CoreseedProgram, BadOffsetsAreRejectedBeforeAnythingIsOpened) {
    const std::string program = memory.write_file("prog", sample_program(100));
    for (const std::string offset : {"-1", "12abc"}) {
        const ProcessResult result = run({offset, program});
        EXPECT_EQ(result.exit_status, 1) << offset;
        EXPECT_EQ(result.out, "") << offset;
        EXPECT_EQ(result.err.rfind("coreseed: offset '" + offset + "'", 0), 0u) << result.err;
    }
    expect_registers_untouched();
}

TEST_F(CoreseedProgram, ImagesOutsideTheSecondCoresMemoryAreRejected) {
    const std::string program = memory.write_file("prog", sample_program(8192));
    // Running past the end, and wrapping round to address 0.
    for (const std::string offset : {"0x1FFF000", "0xFE000000"}) {
        const ProcessResult result = run({offset, program});
        EXPECT_EQ(result.exit_status, 1) << offset;
        EXPECT_EQ(result.out, "Load file '" + program + "'\n");
        EXPECT_NE(result.err.find("outside the second core's memory"), std::string::npos)
            << result.err;
    }
    expect_registers_untouched();
    EXPECT_EQ(memory.read_physical(0, 8192), std::vector<uint8_t>(8192, 0));
    EXPECT_EQ(memory.read_physical(0x03FFF000, 4096), std::vector<uint8_t>(4096, 0));
}

} // namespace
