// Fatal assertions in the standard C library's format.
//
// The messages name a source unit, a line and a function that callers and
// tests rely on, independent of how the code is split into files, so the
// expression text and its location are given explicitly instead of being
// taken from the preprocessor.
#pragma once

namespace platform {

// Prints "<program>: <unit>:<line>: <function>: Assertion `<expr>' failed."
// on stderr, exactly as the C library's assert does, then aborts.
[[noreturn]] void fatal_assert_fail(const char* expression, const char* unit, unsigned line,
                                    const char* function);

} // namespace platform

// Checks cond; when it is false the process ends with the assertion message
// for the given expression text, unit, line and function.
#define FATAL_ASSERT(cond, expression, unit, line, function)                                       \
    do {                                                                                           \
        if (!(cond)) ::platform::fatal_assert_fail(expression, unit, line, function);              \
    } while (0)
