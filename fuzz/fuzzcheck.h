#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one is a finding.
inline void check(bool condition, const char *property)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}
