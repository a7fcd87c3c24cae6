#include "fatal_assert.h"
#include "program_name.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void fatal_assert_fail(const char* expression, const char* unit, unsigned line,
                       const char* function) {
    // Whatever the program printed so far belongs before the message.
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s:%u: %s: Assertion `%s' failed.\n", program_short_name(), unit,
                 line, function, expression);
    std::fflush(stderr);
    std::abort();
}

} // namespace platform
