// The device runtime's POSIX calls against the answers of the handheld's
// old 32-bit kernel, which the emulator never gives: no clock calls, mapping
// offsets past 2 GiB, addresses in the upper half, the edges of the error
// range, files that open only with the large-file flag, a heap that cannot
// grow. The wrappers are the device's own, compiled with a kernel double.
#include "error_table.h"
#include "linux_abi.h"
#include "posix_calls.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/mman.h>
#include <vector>

namespace device_runtime {
namespace {

struct Call {
    long number;
    long registers[6];
};

// The kernel under the test: records every call and answers through
// `answer`. Results are 32-bit register values, as the device sees them.
std::vector<Call> calls;
std::function<long(const Call&)> answer;

long word(uint32_t value) {
    return static_cast<int32_t>(value);
}

class OldKernel : public ::testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        answer = [](const Call&) { return 0L; };
        errno = 0;
    }
};

TEST_F(OldKernel, MapsOffsetsPast2GiBAsUnsignedPageNumbers) {
    answer = [](const Call&) { return word(0xC0001000u); };
    // A device off_t is 32 bits: 0xC0000000 arrives negative.
    for (const uint32_t offset : {0u, 0x7FFFF000u, 0x80000000u, 0xC0000000u, 0xFFFFF000u}) {
        calls.clear();
        void* mapped = posix_mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_SHARED, 3,
                                  static_cast<off_t>(static_cast<int32_t>(offset)));
        ASSERT_EQ(calls.size(), 1u) << offset;
        EXPECT_EQ(calls[0].number, call_mmap2);
        EXPECT_EQ(calls[0].registers[5], static_cast<long>(offset / 4096)) << offset;
        EXPECT_EQ(calls[0].registers[1], 8192);
        EXPECT_EQ(calls[0].registers[4], 3);
        // An address in the upper half is a mapping, not an error.
        EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mapped)), 0xC0001000u);
    }
    calls.clear();
    EXPECT_EQ(posix_mmap(nullptr, 4096, PROT_READ, MAP_SHARED, 3,
                         static_cast<off_t>(static_cast<int32_t>(0xC0000800u))),
              MAP_FAILED);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(calls.empty());
}

TEST_F(OldKernel, ResultsInTheErrorRangeBecomeErrnoWithThePcsMessage) {
    const struct {
        long raw;
        int result;
        int error; // 0: no errno expected
    } cases[] = {
        {-1, -1, EPERM},   {-12, -1, ENOMEM}, {-38, -1, ENOSYS}, {-4095, -1, unnamed_error(4095)},
        {-4096, -4096, 0}, // just past the range: a value, not an error
        {0, 0, 0},
    };
    for (const auto& c : cases) {
        answer = [&](const Call&) { return c.raw; };
        errno = 0;
        EXPECT_EQ(posix_munmap(reinterpret_cast<void*>(0x40000000), 4096), c.result) << c.raw;
        EXPECT_EQ(errno, c.error) << c.raw;
        if (c.error != 0 && c.error < first_unnamed_error) {
            EXPECT_STREQ(error_message(errno), std::strerror(c.error)) << c.raw;
        }
    }
    answer = [](const Call&) { return -12L; };
    EXPECT_EQ(posix_mmap(nullptr, 4096, PROT_READ, MAP_SHARED, 3, 0), MAP_FAILED);
    EXPECT_EQ(errno, ENOMEM);
}

// The simulator's memory file is larger than 2 GiB: without the large-file
// flag the old kernel refuses to open it.
TEST_F(OldKernel, OpensEveryFileForLargeFilesAndRefusesFlagsItCannotPass) {
    answer = [](const Call&) { return 3L; };
    const char path[] = "/dev/mem";
    EXPECT_EQ(posix_open(path, O_RDWR, 0), 3);
    EXPECT_EQ(posix_open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644), 3);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].number, call_open);
    EXPECT_EQ(calls[0].registers[0], reinterpret_cast<long>(path));
    EXPECT_EQ(calls[0].registers[1], 2 | kernel_o_largefile);
    EXPECT_EQ(calls[1].registers[1], 1 | kernel_o_creat | kernel_o_trunc | kernel_o_largefile);
    EXPECT_EQ(calls[1].registers[2], 0644);

    calls.clear();
    EXPECT_EQ(posix_open(path, O_RDONLY | O_SYNC, 0), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(calls.empty());
    answer = [](const Call&) { return -2L; };
    EXPECT_EQ(posix_open(path, O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
}

// Out of memory, the kernel leaves the break where it was and answers with
// it: a refusal, which must not be taken for memory.
TEST_F(OldKernel, AHeapTheKernelWillNotGrowIsRefused) {
    uintptr_t program_break = 0x40000;
    answer = [&](const Call& call) {
        const auto wanted = static_cast<uintptr_t>(call.registers[0]);
        if (wanted != 0 && wanted <= 0x42000) program_break = wanted;
        return static_cast<long>(program_break);
    };
    EXPECT_EQ(reinterpret_cast<uintptr_t>(posix_sbrk(0x1000)), 0x40000u);
    EXPECT_EQ(posix_sbrk(0x2000), reinterpret_cast<void*>(-1));
    EXPECT_EQ(errno, ENOMEM);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(posix_sbrk(0x1000)), 0x41000u);
}

TEST_F(OldKernel, ClocksFallBackOnTheTimeOfDayWithoutClockCalls) {
    answer = [](const Call& call) {
        if (call.number == call_clock_gettime) return -kernel_enosys;
        auto* day = reinterpret_cast<KernelTimeval*>(call.registers[0]);
        *day = {1700000000, 999999};
        return 0L;
    };
    for (const clockid_t clock : {CLOCK_MONOTONIC, CLOCK_REALTIME}) {
        calls.clear();
        timespec now{};
        ASSERT_EQ(posix_clock_gettime(clock, &now), 0) << clock;
        EXPECT_EQ(now.tv_sec, 1700000000);
        EXPECT_EQ(now.tv_nsec, 999999000);
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].number, call_gettimeofday);
    }

    // A newer kernel answers itself, with the kernel's numbering of clocks.
    answer = [](const Call& call) {
        *reinterpret_cast<KernelTimespec*>(call.registers[1]) = {7, 123456789};
        return 0L;
    };
    calls.clear();
    timespec now{};
    ASSERT_EQ(posix_clock_gettime(CLOCK_MONOTONIC, &now), 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].registers[0], kernel_clock_monotonic);
    EXPECT_EQ(now.tv_sec, 7);
    EXPECT_EQ(now.tv_nsec, 123456789);

    // Any other error is the caller's, without a fallback.
    answer = [](const Call&) { return -22L; };
    calls.clear();
    EXPECT_EQ(posix_clock_gettime(CLOCK_REALTIME, &now), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(OldKernel, AnInterruptedSleepReportsWhatIsLeft) {
    KernelTimespec asked{};
    answer = [&](const Call& call) {
        asked = *reinterpret_cast<const KernelTimespec*>(call.registers[0]);
        *reinterpret_cast<KernelTimespec*>(call.registers[1]) = {0, 400000};
        return -4L;
    };
    const timespec request{1, 5000};
    timespec left{9, 9};
    EXPECT_EQ(posix_nanosleep(&request, &left), -1);
    EXPECT_EQ(errno, EINTR);
    EXPECT_EQ(asked.seconds, 1);
    EXPECT_EQ(asked.nanoseconds, 5000);
    EXPECT_EQ(left.tv_sec, 0);
    EXPECT_EQ(left.tv_nsec, 400000);
}

} // namespace

long test_kernel(long number, const long (&registers)[6]) {
    Call call{number, {}};
    std::memcpy(call.registers, registers, sizeof call.registers);
    calls.push_back(call);
    return answer(call);
}

} // namespace device_runtime
