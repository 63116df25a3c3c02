#pragma once

#include <cstdio>
#include <string>

// The tally of a self-checking Windows program run under Wine: each failure on a line of its own,
// then the "N passed, M failed" line that the test harness looks for.
namespace check_tally {

inline int g_passed = 0;
inline int g_failed = 0;

inline void check(bool ok, const std::string &what)
{
    ok ? ++g_passed : ++g_failed;
    if (!ok)
        std::printf("FAILED: %s\n", what.c_str());
}

// Prints the tally; the program's exit status.
inline int report()
{
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

} // namespace check_tally
