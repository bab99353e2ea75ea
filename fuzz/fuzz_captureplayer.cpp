// The replay schedule: when a record falls due from its time stamp, the
// time played so far and the speed, for any numbers a capture or a clock
// may hold.
#include "capturefile.h"
#include "captureplayer.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

struct Moment
{
    qint64 recordUs;
    qint64 playedUs;
    qint64 anchorWallUs;
    qint64 nowUs;
    qint64 laterByUs;
    double speed;
};

bool isCaptureTime(qint64 us)
{
    return us >= 0 && us <= Capture::kMaxTimeUs;
}

// Times a real replay meets: capture times a fortnight apart at most, a
// clock that started this century, speeds the controls could offer.
bool isOrdinary(const Moment &m)
{
    constexpr qint64 kFortnightUs = qint64(14) * 24 * 3600 * 1000000;
    return isCaptureTime(m.recordUs) && isCaptureTime(m.playedUs)
           && std::abs(m.recordUs - m.playedUs) <= kFortnightUs && m.anchorWallUs >= 0
           && m.anchorWallUs <= Capture::kMaxTimeUs && m.nowUs >= m.anchorWallUs
           && m.nowUs - m.anchorWallUs <= kFortnightUs && m.speed >= 1.0 / 64 && m.speed <= 64;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Moment m{};
    std::memcpy(&m, data, std::min(size, sizeof m));
    if (!(m.speed > 0))
        return 0; // the player never times at speed 0 ("as fast as possible")

    const qint64 wait = PlaybackTiming::waitUs(m.recordUs, m.playedUs, m.anchorWallUs, m.nowUs,
                                               m.speed);
    check(wait >= 0, "a wait is never negative");
    const qint64 played = PlaybackTiming::playedUs(m.playedUs, m.anchorWallUs, m.nowUs, m.speed,
                                                   m.recordUs);
    check(played <= m.recordUs, "nothing is played past the limit");

    // Later, the record is no further away and no less is played.
    const qint64 laterBy = m.laterByUs < 0 ? -(m.laterByUs + 1) : m.laterByUs;
    const qint64 later = m.nowUs > std::numeric_limits<qint64>::max() - laterBy
                             ? std::numeric_limits<qint64>::max()
                             : m.nowUs + laterBy;
    check(PlaybackTiming::waitUs(m.recordUs, m.playedUs, m.anchorWallUs, later, m.speed) <= wait,
          "waits shrink as time goes on");
    check(PlaybackTiming::playedUs(m.playedUs, m.anchorWallUs, later, m.speed, m.recordUs)
              >= played,
          "played time never goes back");

    // In an ordinary replay, a record falls due when its time is played,
    // give or take rounding.
    if (isOrdinary(m)) {
        const qint64 unlimited = std::numeric_limits<qint64>::max();
        const qint64 slack = qint64(std::ceil(m.speed)) + 2;
        const qint64 atDue = PlaybackTiming::playedUs(m.playedUs, m.anchorWallUs, m.nowUs + wait,
                                                      m.speed, unlimited);
        check(atDue >= m.recordUs - slack, "a record is due once its time is played");
        if (wait > slack) {
            const qint64 early = PlaybackTiming::playedUs(m.playedUs, m.anchorWallUs,
                                                          m.nowUs + wait - slack, m.speed,
                                                          unlimited);
            check(early <= m.recordUs, "a record is not due before its time is played");
        }
    }
    return 0;
}
