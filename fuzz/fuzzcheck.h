#pragma once

#include <cstdio>
#include <cstdlib>

#if defined(__clang__)
#define ZENTRIK_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define ZENTRIK_NO_COVERAGE
#endif

// A property every input must keep; a broken one is a finding.
inline void check(bool condition, const char *property)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}
