// On the PC the kernel's error numbers are the C library's errno values, so
// every entry of the handheld's table must agree with strerror here.
#include "error_table.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

using namespace device_runtime;

namespace {

TEST(ErrorTable, EveryKernelErrorGetsThePcMessage) {
    // 1 to 133 holds every error number the ARM Linux kernel defines; the
    // two gaps (41, 58) are unknown to both tables.
    for (int kernel = 1; kernel <= 133; ++kernel) {
        const int value = errno_from_kernel(kernel);
        const char* text = error_message(value);
        if (std::string(std::strerror(kernel)).starts_with("Unknown error")) {
            EXPECT_EQ(text, nullptr) << kernel;
            continue;
        }
        ASSERT_NE(text, nullptr) << kernel;
        EXPECT_STREQ(text, std::strerror(kernel)) << kernel;
        // A name the C library has stands for the same number here.
        if (value < first_unnamed_error) {
            EXPECT_EQ(value, kernel);
        }
    }
}

TEST(ErrorTable, NumbersAreUnambiguous) {
    std::set<int> kernels;
    for (unsigned i = 0; i < error_table_size; ++i) {
        const ErrorEntry& entry = error_table[i];
        // The one alias (ENOTSUP beside EOPNOTSUPP) repeats the kernel
        // number with the same text; no other number appears twice.
        if (!kernels.insert(entry.kernel).second) {
            EXPECT_EQ(entry.kernel, EOPNOTSUPP);
            EXPECT_STREQ(entry.text, std::strerror(EOPNOTSUPP));
        }
    }
    // A number the kernel does not define keeps its own value, away from
    // every named error, and has no message of the table.
    EXPECT_EQ(errno_from_kernel(200), first_unnamed_error + 200);
    EXPECT_EQ(error_message(first_unnamed_error + 200), nullptr);
}

} // namespace
