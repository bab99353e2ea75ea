#include "gpstrack.h"

#include "nmea.h"
#include "translation.h"

#include <QSaveFile>
#include <QXmlStreamWriter>

#include <cmath>

static_assert(sizeof(TrackPoint) == 24, "a track point is to stay small");

namespace {

constexpr qint64 kMsPerDay = 24 * 3600 * 1000;

// "-31.8454700" (what readPosition gives) in 1e-7 degrees.
qint32 tenMillionths(const QByteArray &degrees)
{
    QByteArray digits = degrees;
    digits.remove(digits.indexOf('.'), 1);
    return digits.toInt();
}

QString degreesText(qint32 tenMillionths)
{
    const qint64 magnitude = qAbs(qint64(tenMillionths));
    return QLatin1String(tenMillionths < 0 ? "-" : "") + QString::number(magnitude / 10000000)
        + QLatin1Char('.') + QString::number(magnitude % 10000000).rightJustified(7, QLatin1Char('0'));
}

// A number field scaled to whole units of 1/scale, or nothing when it is
// not a number or does not fit.
std::optional<qint64> scaled(const QByteArray &text, double scale, double limit)
{
    if (!isNmeaNumber(text))
        return std::nullopt;
    const double value = std::round(text.toDouble() * scale);
    if (!(std::fabs(value) < limit))
        return std::nullopt;
    return qint64(value);
}

QString timeText(qint64 utcMs)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    return time.toString(time.time().msec() ? QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ")
                                            : QStringLiteral("yyyy-MM-ddThh:mm:ssZ"));
}

void writePoint(QXmlStreamWriter &xml, const TrackPoint &point)
{
    xml.writeStartElement(QStringLiteral("trkpt"));
    xml.writeAttribute(QStringLiteral("lat"), degreesText(point.latitude));
    xml.writeAttribute(QStringLiteral("lon"), degreesText(point.longitude));
    if (point.elevationMm != TrackPoint::kNoElevation)
        xml.writeTextElement(QStringLiteral("ele"),
                             QString::number(point.elevationMm / 1000.0, 'f', 3));
    if (point.utcMs != TrackPoint::kNoTime)
        xml.writeTextElement(QStringLiteral("time"), timeText(point.utcMs));
    if (point.satellites != TrackPoint::kNone)
        xml.writeTextElement(QStringLiteral("sat"), QString::number(point.satellites));
    if (point.hdopHundredths != TrackPoint::kNone)
        xml.writeTextElement(QStringLiteral("hdop"),
                             QString::number(point.hdopHundredths / 100.0, 'f', 2));
    xml.writeEndElement();
}

} // namespace

// An epoch is told by its time field: a sentence with another time (or
// none) closes the one before.
void GpsTrack::startEpoch(const QByteArray &timeText)
{
    if (!timeText.isEmpty() && timeText == m_pending.timeText)
        return;
    finishEpoch();
    m_pending.timeText = timeText;
    m_pending.time = nmeaTime(timeText);
}

void GpsTrack::finishEpoch()
{
    const std::optional<QDateTime> time = pendingTime();
    if (time && m_pending.date)
        m_lastDated = *time;
    if (m_pending.hasPosition) {
        TrackPoint point = m_pending.point;
        if (time) {
            point.utcMs = time->toMSecsSinceEpoch();
            m_lastDated = *time;
        }
        m_points.push_back(point);
    }
    m_pending = Pending();
}

std::optional<QDateTime> GpsTrack::pendingTime() const
{
    if (!m_pending.time)
        return std::nullopt;
    if (m_pending.date)
        return QDateTime(*m_pending.date, *m_pending.time, Qt::UTC);
    if (!m_lastDated.isValid())
        return std::nullopt;
    QDateTime time(m_lastDated.date(), *m_pending.time, Qt::UTC);
    if (time < m_lastDated)
        time = time.addMSecs(kMsPerDay);
    return time;
}

TrackPoint GpsTrack::pendingPoint() const
{
    TrackPoint point = m_pending.point;
    const std::optional<QDateTime> time = pendingTime();
    if (time)
        point.utcMs = time->toMSecsSinceEpoch();
    return point;
}

// The first valid position of an epoch makes it a point, while there is
// room for one.
void GpsTrack::takePosition(const QByteArrayList &fields, int first)
{
    NmeaPosition position;
    if (m_pending.hasPosition || !readPosition(fields, first, &position))
        return;
    if (int(m_points.size()) >= m_maxPoints) {
        m_full = true;
        return;
    }
    m_pending.point.latitude = tenMillionths(position.latitude);
    m_pending.point.longitude = tenMillionths(position.longitude);
    m_pending.hasPosition = true;
}

// Fields: 1 time, 2 status, 3–6 position, 9 date.
bool GpsTrack::applyRmc(const QByteArrayList &fields)
{
    const bool wasFull = m_full;
    startEpoch(field(fields, 1));
    const std::optional<QDate> date = nmeaDate(field(fields, 9));
    if (date)
        m_pending.date = date;
    if (field(fields, 2) == "A")
        takePosition(fields, 3);
    return m_full && !wasFull;
}

// Fields: 1 time, 2–5 position, 6 quality (0: no fix), 7 satellites,
// 8 HDOP, 9 altitude.
bool GpsTrack::applyGga(const QByteArrayList &fields)
{
    const bool wasFull = m_full;
    startEpoch(field(fields, 1));
    const QByteArray quality = field(fields, 6);
    if (quality.isEmpty() || quality == "0")
        return false;
    takePosition(fields, 2);
    if (!m_pending.hasPosition)
        return m_full && !wasFull;
    if (const auto altitude = scaled(field(fields, 9), 1000.0, 2.0e9))
        m_pending.point.elevationMm = qint32(*altitude);
    if (const auto satellites = scaled(field(fields, 7), 1.0, TrackPoint::kNone); satellites && *satellites >= 0)
        m_pending.point.satellites = quint16(*satellites);
    if (const auto hdop = scaled(field(fields, 8), 100.0, TrackPoint::kNone); hdop && *hdop >= 0)
        m_pending.point.hdopHundredths = quint16(*hdop);
    return false;
}

void GpsTrack::clear()
{
    std::vector<TrackPoint>().swap(m_points);
    m_pending = Pending();
    m_lastDated = QDateTime();
    m_full = false;
}

// ---- GPX ---------------------------------------------------------------------

bool writeGpx(QIODevice *device, const GpsTrack &track, const QString &creator)
{
    QXmlStreamWriter xml(device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), creator);
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeStartElement(QStringLiteral("trkseg"));
    track.forEach([&xml](const TrackPoint &point) { writePoint(xml, point); });
    xml.writeEndDocument();
    return !xml.hasError();
}

QString saveGpx(const QString &path, const GpsTrack &track, const QString &creator)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!writeGpx(&file, track, creator)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error.isEmpty() ? mainTr("写入失败") : error;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}
