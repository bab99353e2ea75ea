#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QString>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

// One fix of the track, 24 bytes. Coordinates are kept in units of 1e-7
// degrees, exactly the seven decimals the tab shows.
struct TrackPoint
{
    static constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();
    static constexpr qint32 kNoElevation = std::numeric_limits<qint32>::min();
    static constexpr quint16 kNone = 0xFFFF;

    qint32 latitude = 0;  // 1e-7 degrees, negative south
    qint32 longitude = 0; // 1e-7 degrees, negative west
    qint64 utcMs = kNoTime;             // ms since 1970 UTC; kNoTime without a date
    qint32 elevationMm = kNoElevation;  // GGA altitude in millimetres
    quint16 hdopHundredths = kNone;     // GGA HDOP in hundredths
    quint16 satellites = kNone;         // GGA satellites in use
};

// The fixes since the source opened, one point per epoch: the RMC and GGA
// that carry the same UTC time make one point, with the position of
// whichever is valid, RMC's date and GGA's altitude, satellites and HDOP.
//
// A point whose epoch had no date takes the date of the last dated one
// (a day later if its time of day is earlier, as after midnight); before any
// date it has no time at all. At most kMaxPoints are kept (24 MB; a day at
// 10 Hz is 864 000); fixes after that are not recorded.
class GpsTrack
{
public:
    static constexpr int kMaxPoints = 1000000;

    explicit GpsTrack(int maxPoints = kMaxPoints)
        : m_maxPoints(maxPoints)
    {
    }

    // Each returns true when this sentence made the track full.
    bool applyRmc(const QByteArrayList &fields);
    bool applyGga(const QByteArrayList &fields);
    // The current epoch is complete (the source changed): a sentence from
    // now on starts a new point.
    void finishEpoch();
    void clear();

    bool isEmpty() const { return size() == 0; }
    bool isFull() const { return m_full; }
    int maxPoints() const { return m_maxPoints; }
    // Points recorded, the epoch still being assembled included if it
    // holds a fix.
    int size() const { return int(m_points.size()) + (m_pending.hasPosition ? 1 : 0); }
    // A copy of every point in order, the one still being assembled last.
    std::vector<TrackPoint> points() const;
    // Every point in order, the one still being assembled last.
    template<typename Visit>
    void forEach(Visit visit) const
    {
        for (const TrackPoint &point : m_points)
            visit(point);
        if (m_pending.hasPosition)
            visit(pendingPoint());
    }

private:
    struct Pending
    {
        QByteArray timeText;
        bool hasPosition = false;
        TrackPoint point;
        std::optional<QDate> date;
        std::optional<QTime> time;
    };

    void startEpoch(const QByteArray &timeText);
    void takePosition(const QByteArrayList &fields, int first);
    TrackPoint pendingPoint() const;
    std::optional<QDateTime> pendingTime() const;

    std::vector<TrackPoint> m_points;
    Pending m_pending;
    QDateTime m_lastDated; // UTC of the newest fix with a date
    int m_maxPoints;
    bool m_full = false;
};

// The track as GPX 1.1: one track, one segment, a trkpt per point with ele,
// time, sat and hdop where known, in the schema's order.
bool writeGpx(QIODevice *device, const GpsTrack &track, const QString &creator);

// A track written to a GPX file a slice at a time, so that a day's track
// can be written between the event loop's other work. The file appears,
// complete, only with the last slice; an export destroyed before that, or
// one that failed, leaves whatever was at `path` untouched.
class GpxExport
{
public:
    static constexpr size_t kPointsPerSlice = 8192;

    GpxExport(const QString &path, std::vector<TrackPoint> points, const QString &creator);
    ~GpxExport();

    // Writes the next slice of points, or after the last one ends the file
    // and puts it in place; true while there is more to do. Once it returns
    // false, error() says whether the file was written.
    bool writeSlice();
    // Empty on success, else why the file was not written.
    QString error() const { return m_error; }
    qint64 done() const { return qint64(m_done); }
    qint64 total() const { return qint64(m_points.size()); }

private:
    struct Writing;

    void fail(const QString &error);

    std::vector<TrackPoint> m_points;
    size_t m_done = 0;
    std::unique_ptr<Writing> m_writing; // while the file is open
    QString m_error;
};

// Written whole or not at all; an empty result on success, else why not.
QString saveGpx(const QString &path, const GpsTrack &track, const QString &creator);
