// The exact register accesses of holding, releasing and a whole load, seen
// through a recorder in front of the register bus.
#include "coreseed.h"
#include "second_core_control.h"
#include "sim_memory_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

struct Access {
    char kind; // 'r' or 'w', always 16 bits wide
    uint32_t offset;
    uint16_t value;
    bool operator==(const Access&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Access& a) {
    return out << a.kind << "16(0x" << std::hex << a.offset << ") = 0x" << a.value;
}

// Records every access and forwards it to the bus behind it.
class RecordingBus final : public coreseed::RegisterBus {
  public:
    RecordingBus(coreseed::RegisterBus& target, std::vector<Access>& log)
        : target_(target), log_(log) {}
    uint16_t read16(uint32_t offset) override {
        const uint16_t value = target_.read16(offset);
        log_.push_back({'r', offset, value});
        return value;
    }
    void write16(uint32_t offset, uint16_t value) override {
        log_.push_back({'w', offset, value});
        target_.write16(offset, value);
    }

  private:
    coreseed::RegisterBus& target_;
    std::vector<Access>& log_;
};

// Registers as plain values, for the sequences on their own.
class RegisterFile final : public coreseed::RegisterBus {
  public:
    std::map<uint32_t, uint16_t> values;
    uint16_t read16(uint32_t offset) override { return values[offset]; }
    void write16(uint32_t offset, uint16_t value) override { values[offset] = value; }
};

TEST(SecondCoreControl, HoldAndReleaseKeepTheBitsTheyDoNotOwn) {
    RegisterFile registers;
    registers.values = {{0x3B48, 0xA57F}, {0x0904, 0x8001}, {0x3B40, 0x1234}, {0x3B42, 0x5678}};
    std::vector<Access> log;
    RecordingBus bus(registers, log);

    coreseed::hold_second_core(bus);
    EXPECT_EQ(log, (std::vector<Access>{
                       {'r', 0x3B48, 0xA57F},
                       {'w', 0x3B48, 0xA582},
                       {'r', 0x0904, 0x8001},
                       {'w', 0x0904, 0x8000},
                   }));

    log.clear();
    coreseed::release_second_core(bus);
    EXPECT_EQ(log, (std::vector<Access>{
                       {'w', 0x3B40, 0},
                       {'w', 0x3B42, 0},
                       {'r', 0x0904, 0x8000},
                       {'w', 0x0904, 0x8001},
                       {'r', 0x3B48, 0xA582},
                       {'w', 0x3B48, 0xA502},
                   }));
}

class CoreseedRunThroughRecorder : public ::testing::Test {
  protected:
    void SetUp() override { setenv("LUMENFALL_SIM_DIR", memory.folder().c_str(), 1); }

    int run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "coreseed");
        const auto make_bus =
            [this](volatile void* block) -> std::unique_ptr<coreseed::RegisterBus> {
            mapped = std::make_unique<coreseed::MappedRegisterBus>(block);
            return std::make_unique<RecordingBus>(*mapped, log);
        };
        ::testing::internal::CaptureStdout();
        const int status =
            coreseed::run(static_cast<int>(arguments.size()), arguments.data(), make_bus);
        out = ::testing::internal::GetCapturedStdout();
        return status;
    }

    loader_test::SimMemoryFile memory;
    std::unique_ptr<coreseed::MappedRegisterBus> mapped;
    std::vector<Access> log;
    std::string out;
};

TEST_F(CoreseedRunThroughRecorder, SuccessfulLoadMakesExactlyTheHoldAndReleaseAccesses) {
    const std::string program = memory.write_file("prog", loader_test::sample_program(5000));
    ASSERT_EQ(run({program.c_str()}), 0);
    EXPECT_EQ(out, "Load file '" + program + "'\n  writing 5000 bytes...\nOk\n");
    EXPECT_EQ(log, (std::vector<Access>{
                       {'r', 0x3B48, 0x0082},
                       {'w', 0x3B48, 0x0082},
                       {'r', 0x0904, 0x0000},
                       {'w', 0x0904, 0x0000},
                       {'w', 0x3B40, 0},
                       {'w', 0x3B42, 0},
                       {'r', 0x0904, 0x0000},
                       {'w', 0x0904, 0x0001},
                       {'r', 0x3B48, 0x0082},
                       {'w', 0x3B48, 0x0002},
                   }));
    // The accesses reached the mapped block itself.
    EXPECT_EQ(memory.read_register(0x3B48), 0x0002);
    EXPECT_EQ(memory.read_register(0x0904), 0x0001);
}

} // namespace
