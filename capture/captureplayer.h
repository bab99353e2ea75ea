#pragma once

#include "capturereader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// When records fall due, as pure arithmetic on microseconds: capture time
// `playedUs` was reached at wall time `anchorWallUs`, and capture time runs
// at `speed` (above 0) times wall time from there. Any inputs give a result
// without overflow; results saturate.
namespace PlaybackTiming {
// The capture time reached at wall time `nowUs`, never past `limitUs`.
qint64 playedUs(qint64 playedUs, qint64 anchorWallUs, qint64 nowUs, double speed,
                qint64 limitUs);
// Wall microseconds from `nowUs` until capture time `recordUs` is reached;
// 0 once it is.
qint64 waitUs(qint64 recordUs, qint64 playedUs, qint64 anchorWallUs, qint64 nowUs,
              double speed);
} // namespace PlaybackTiming

// Plays a capture back: the records' bytes come out of bytes() at the
// times they were read from the link, scaled by the speed, or as fast as
// the receiver takes them. The receiver is whatever took the link's bytes
// live, so everything downstream behaves as it did then.
class CapturePlayer : public QObject
{
    Q_OBJECT
public:
    // Speed 0: as fast as possible. Records go out in slices of about this
    // long at any speed, so the window stays responsive.
    static constexpr double kAsFastAsPossible = 0;
    static constexpr int kFastSliceMs = 15;

    // Microseconds since some fixed point; tests set the time.
    using Clock = std::function<qint64()>;

    explicit CapturePlayer(QObject *parent = nullptr, Clock clock = {});

    // Stops, and opens another file at its start.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_open; }
    CaptureReader &reader() { return m_reader; }
    const CaptureReader &reader() const { return m_reader; }

    void play();
    void pause();
    bool isPlaying() const { return m_playing; }
    void setSpeed(double speed);
    double speed() const { return m_speed; }

    // Goes on from the first record stamped at or after `timeUs`.
    void seek(qint64 timeUs);
    // Hands out the next bytes one at a time until `frameDone(byte)` says
    // the receiver completed a frame with it, or the capture ends. Pauses.
    void stepUntil(const std::function<bool(char)> &frameDone);

    // Time offset of the next record to go out (the duration at the end).
    qint64 positionUs() const;
    bool atEnd() const { return m_next >= m_reader.recordCount(); }
    // Records gone out whole, of reader().recordCount().
    int recordsPlayed() const { return m_next; }
    // Wall-clock milliseconds until the next record is due; 0 if it is.
    qint64 msUntilNext() const;

signals:
    void bytes(const QByteArray &bytes);
    void positionChanged(qint64 positionUs);
    void playingChanged(bool playing);
    // The last record has gone out.
    void finished();

private:
    void anchor();
    qint64 playedUs() const;
    void deliverDue();
    void deliverFastSlice();
    void deliverRecord();
    void scheduleNext();
    void reachEnd();
    qint64 now() const;

    CaptureReader m_reader;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    bool m_open = false;
    bool m_playing = false;
    double m_speed = 1;
    int m_next = 0;
    // Bytes of record m_next already handed out by stepping.
    int m_stepped = 0;
    // The capture time played up to at wall time m_anchorWallUs.
    qint64 m_playedUs = 0;
    qint64 m_anchorWallUs = 0;
};
