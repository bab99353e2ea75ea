#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

// Milliseconds on a clock that never goes back: how long a peer has been
// silent is measured on it. Tests drive their own.
using LinkClock = std::function<qint64()>;

inline qint64 steadyClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
