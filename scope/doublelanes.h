#pragma once

#include <QtGlobal>

#include <cstring>

// Pairs of doubles for the loops that go through a million samples per
// channel: GCC's and clang's vector types, which become SIMD instructions
// on any target. Inside the scope core only.

typedef double DoublePair __attribute__((vector_size(16)));

inline DoublePair loadPair(const double *values)
{
    DoublePair pair;
    std::memcpy(&pair, values, sizeof pair);
    return pair;
}

// The first index from `from` on whose value `hit` holds (count if none).
// `hit` takes a double and a DoublePair (giving a lane mask for the pair);
// eight values are tested at a time until one holds.
template <typename Hit>
quint64 findFirst(const double *values, quint64 from, quint64 count, Hit hit)
{
    for (; from + 8 <= count; from += 8) {
        const auto any = hit(loadPair(values + from)) | hit(loadPair(values + from + 2))
            | hit(loadPair(values + from + 4)) | hit(loadPair(values + from + 6));
        if (any[0] | any[1])
            break;
    }
    for (; from < count; ++from) {
        if (hit(values[from]))
            return from;
    }
    return count;
}
