#include "captureplayer.h"

#include "receivescope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 kMostUs = std::numeric_limits<qint64>::max();
constexpr qint64 kLeastUs = std::numeric_limits<qint64>::min();

qint64 saturated(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 exactly; every double below it fits.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit)
        return kMostUs;
    if (value < -kLimit)
        return kLeastUs;
    return std::llround(value);
}

qint64 saturatedSum(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return a < 0 ? kLeastUs : kMostUs;
    return sum;
}

qint64 saturatedDifference(qint64 a, qint64 b)
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        return a < b ? kLeastUs : kMostUs;
    return difference;
}

} // namespace

namespace PlaybackTiming {

qint64 playedUs(qint64 playedUs, qint64 anchorWallUs, qint64 nowUs, double speed,
                qint64 limitUs)
{
    const qint64 wall = saturatedDifference(nowUs, anchorWallUs);
    const qint64 played = saturatedSum(playedUs, saturated(double(wall) * speed));
    return std::min(played, limitUs);
}

qint64 waitUs(qint64 recordUs, qint64 playedUs, qint64 anchorWallUs, qint64 nowUs,
              double speed)
{
    const double captureAhead = double(saturatedDifference(recordUs, playedUs));
    const qint64 dueWallUs = saturatedSum(anchorWallUs, saturated(captureAhead / speed));
    return std::max<qint64>(0, saturatedDifference(dueWallUs, nowUs));
}

} // namespace PlaybackTiming

CapturePlayer::CapturePlayer(QObject *parent, Clock clock)
    : QObject(parent)
    , m_clock(std::move(clock))
{
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CapturePlayer::deliverDue);
}

qint64 CapturePlayer::now() const
{
    return m_clock ? m_clock() : m_elapsed.nsecsElapsed() / 1000;
}

bool CapturePlayer::open(const QString &path)
{
    close();
    m_open = m_reader.open(path);
    return m_open;
}

void CapturePlayer::close()
{
    pause();
    m_open = false;
    m_next = 0;
    m_stepped = 0;
    m_playedUs = 0;
}

void CapturePlayer::play()
{
    if (!m_open || m_playing || atEnd())
        return;
    m_playing = true;
    m_anchorWallUs = now();
    emit playingChanged(true);
    scheduleNext();
}

void CapturePlayer::pause()
{
    m_timer.stop();
    if (!m_playing)
        return;
    anchor();
    m_playing = false;
    emit playingChanged(false);
}

void CapturePlayer::setSpeed(double speed)
{
    anchor();
    m_speed = std::max(0.0, speed);
    if (m_playing) {
        anchor();
        scheduleNext();
    }
}

void CapturePlayer::anchor()
{
    m_playedUs = playedUs();
    m_anchorWallUs = now();
}

qint64 CapturePlayer::playedUs() const
{
    if (!m_playing || m_speed == kAsFastAsPossible)
        return m_playedUs;
    return PlaybackTiming::playedUs(m_playedUs, m_anchorWallUs, now(), m_speed, positionUs());
}

qint64 CapturePlayer::positionUs() const
{
    return atEnd() ? m_reader.durationUs() : m_reader.timeUs(m_next);
}

void CapturePlayer::seek(qint64 timeUs)
{
    if (!m_open)
        return;
    m_next = m_reader.recordAt(timeUs);
    m_stepped = 0;
    m_playedUs = std::min(std::max<qint64>(timeUs, 0), positionUs());
    m_anchorWallUs = now();
    emit positionChanged(positionUs());
    if (m_playing)
        scheduleNext();
}

qint64 CapturePlayer::msUntilNext() const
{
    if (atEnd() || m_speed == kAsFastAsPossible)
        return 0;
    const qint64 waitUs = PlaybackTiming::waitUs(m_reader.timeUs(m_next), m_playedUs,
                                                 m_anchorWallUs, now(), m_speed);
    return waitUs / 1000 + (waitUs % 1000 != 0);
}

void CapturePlayer::scheduleNext()
{
    if (atEnd()) {
        reachEnd();
        return;
    }
    m_timer.start(int(std::min<qint64>(msUntilNext(), 60 * 60 * 1000)));
}

void CapturePlayer::deliverDue()
{
    if (!m_playing)
        return;
    if (m_speed == kAsFastAsPossible) {
        deliverFastSlice();
    } else {
        // A receiver slower than the capture falls behind, but the window
        // still gets its turn between slices.
        QElapsedTimer slice;
        slice.start();
        while (m_playing && !atEnd() && msUntilNext() == 0 && slice.elapsed() < kFastSliceMs)
            deliverRecord();
    }
    if (!atEnd())
        emit positionChanged(positionUs());
    if (m_playing)
        scheduleNext();
}

void CapturePlayer::deliverFastSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (m_playing && !atEnd() && slice.elapsed() < kFastSliceMs)
        deliverRecord();
    // A later record keeps its distance from this one if the speed changes.
    m_playedUs = m_reader.timeUs(m_next - 1);
    m_anchorWallUs = now();
}

void CapturePlayer::deliverRecord()
{
    QByteArray record = m_reader.bytes(m_next);
    if (m_stepped > 0)
        record.remove(0, m_stepped);
    ++m_next;
    m_stepped = 0;
    if (!record.isEmpty()) {
        const ReceiveScope receiving;
        emit bytes(record);
    }
}

void CapturePlayer::stepUntil(const std::function<bool(char)> &frameDone)
{
    pause();
    while (!atEnd()) {
        m_playedUs = m_reader.timeUs(m_next);
        const QByteArray record = m_reader.bytes(m_next);
        bool done = false;
        while (!done && m_stepped < record.size()) {
            const char byte = record[m_stepped++];
            const ReceiveScope receiving;
            emit bytes(QByteArray(1, byte));
            done = frameDone(byte);
        }
        if (m_stepped >= record.size()) {
            ++m_next;
            m_stepped = 0;
        }
        if (done)
            break;
    }
    emit positionChanged(positionUs());
    if (atEnd())
        reachEnd();
}

void CapturePlayer::reachEnd()
{
    m_timer.stop();
    const bool wasPlaying = m_playing;
    m_playing = false;
    emit positionChanged(positionUs());
    if (wasPlaying)
        emit playingChanged(false);
    emit finished();
}
