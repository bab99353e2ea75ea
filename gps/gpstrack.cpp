#include "gpstrack.h"

#include "nmea.h"
#include "translation.h"

#include <QSaveFile>
#include <QXmlStreamWriter>

#include <cmath>
#include <cstdio>

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

// Fixed-point text, "-31.8454700": `decimals` digits after the point.
QString fixedText(qint64 value, int decimals)
{
    char text[32];
    int at = sizeof(text);
    qint64 magnitude = qAbs(value);
    for (int digit = 0; digit <= decimals || magnitude > 0; ++digit) {
        if (digit == decimals && decimals > 0)
            text[--at] = '.';
        text[--at] = char('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (value < 0)
        text[--at] = '-';
    return QString::fromLatin1(text + at, int(sizeof(text)) - at);
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

// "2014-12-31T23:59:59Z", or with ".900" before the Z when there are
// milliseconds. By hand: a day's track has a million of them.
QString timeText(qint64 utcMs)
{
    const qint64 days = utcMs >= 0 ? utcMs / kMsPerDay : -((-utcMs + kMsPerDay - 1) / kMsPerDay);
    const int msOfDay = int(utcMs - days * kMsPerDay);
    int year = 0, month = 0, day = 0;
    QDate(1970, 1, 1).addDays(days).getDate(&year, &month, &day);
    const int ms = msOfDay % 1000;
    char text[40];
    const int length = ms ? std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ",
                                          year, month, day, msOfDay / 3600000,
                                          msOfDay / 60000 % 60, msOfDay / 1000 % 60, ms)
                          : std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02dZ",
                                          year, month, day, msOfDay / 3600000,
                                          msOfDay / 60000 % 60, msOfDay / 1000 % 60);
    return QString::fromLatin1(text, qBound(0, length, int(sizeof(text)) - 1));
}

// A line per point, so the file reads well without the writer's own
// indenting, which costs a third of the time.
void writePoint(QXmlStreamWriter &xml, const TrackPoint &point)
{
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeStartElement(QStringLiteral("trkpt"));
    xml.writeAttribute(QStringLiteral("lat"), fixedText(point.latitude, 7));
    xml.writeAttribute(QStringLiteral("lon"), fixedText(point.longitude, 7));
    if (point.elevationMm != TrackPoint::kNoElevation)
        xml.writeTextElement(QStringLiteral("ele"), fixedText(point.elevationMm, 3));
    if (point.utcMs != TrackPoint::kNoTime)
        xml.writeTextElement(QStringLiteral("time"), timeText(point.utcMs));
    if (point.satellites != TrackPoint::kNone)
        xml.writeTextElement(QStringLiteral("sat"), QString::number(point.satellites));
    if (point.hdopHundredths != TrackPoint::kNone)
        xml.writeTextElement(QStringLiteral("hdop"), fixedText(point.hdopHundredths, 2));
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
    const auto satellites = scaled(field(fields, 7), 1.0, TrackPoint::kNone);
    if (satellites && *satellites >= 0)
        m_pending.point.satellites = quint16(*satellites);
    const auto hdop = scaled(field(fields, 8), 100.0, TrackPoint::kNone);
    if (hdop && *hdop >= 0)
        m_pending.point.hdopHundredths = quint16(*hdop);
    return false;
}

std::vector<TrackPoint> GpsTrack::points() const
{
    std::vector<TrackPoint> points;
    points.reserve(size_t(size()));
    forEach([&points](const TrackPoint &point) { points.push_back(point); });
    return points;
}

void GpsTrack::clear()
{
    std::vector<TrackPoint>().swap(m_points);
    m_pending = Pending();
    m_lastDated = QDateTime();
    m_full = false;
}

// ---- GPX ---------------------------------------------------------------------

namespace {

// The document is written into text first and passed on in blocks: the
// writer's own encoding of each small piece would take most of the time.
class GpxText
{
public:
    explicit GpxText(const QString &creator)
        : m_xml(&m_text)
    {
        // Written to text, the writer would leave the encoding out.
        m_text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
        m_xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
        m_xml.writeStartElement(QStringLiteral("gpx"));
        m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        m_xml.writeAttribute(QStringLiteral("creator"), creator);
        m_xml.writeCharacters(QStringLiteral("\n"));
        m_xml.writeStartElement(QStringLiteral("trk"));
        m_xml.writeCharacters(QStringLiteral("\n"));
        m_xml.writeStartElement(QStringLiteral("trkseg"));
    }

    void add(const TrackPoint &point) { writePoint(m_xml, point); }

    void close()
    {
        for (int open = 0; open < 3; ++open) {
            m_xml.writeCharacters(QStringLiteral("\n"));
            m_xml.writeEndElement();
        }
        m_xml.writeCharacters(QStringLiteral("\n"));
    }

    // Writes what has been added since the last time.
    bool passOn(QIODevice *device)
    {
        const QByteArray bytes = m_text.toUtf8();
        m_text.clear();
        return device->write(bytes) == bytes.size() && !m_xml.hasError();
    }

private:
    QString m_text;
    QXmlStreamWriter m_xml;
};

} // namespace

bool writeGpx(QIODevice *device, const GpsTrack &track, const QString &creator)
{
    constexpr int kPointsPerBlock = 4096;
    GpxText gpx(creator);
    bool written = true;
    int points = 0;
    track.forEach([&](const TrackPoint &point) {
        gpx.add(point);
        if (++points % kPointsPerBlock == 0)
            written = gpx.passOn(device) && written;
    });
    gpx.close();
    return gpx.passOn(device) && written;
}

struct GpxExport::Writing
{
    Writing(const QString &path, const QString &creator)
        : file(path)
        , gpx(creator)
    {
    }

    QSaveFile file;
    GpxText gpx;
};

GpxExport::GpxExport(const QString &path, std::vector<TrackPoint> points,
                     const QString &creator)
    : m_points(std::move(points))
    , m_writing(std::make_unique<Writing>(path, creator))
{
    if (!m_writing->file.open(QIODevice::WriteOnly))
        fail(m_writing->file.errorString());
}

GpxExport::~GpxExport() = default;

bool GpxExport::writeSlice()
{
    if (!m_writing)
        return false;
    const bool lastStep = m_done == m_points.size();
    if (lastStep) {
        m_writing->gpx.close();
    } else {
        const size_t end = std::min(m_points.size(), m_done + kPointsPerSlice);
        for (; m_done < end; ++m_done)
            m_writing->gpx.add(m_points[m_done]);
    }
    if (!m_writing->gpx.passOn(&m_writing->file)) {
        const QString error = m_writing->file.errorString();
        fail(error.isEmpty() ? mainTr("写入失败") : error);
        return false;
    }
    if (!lastStep)
        return true;
    if (!m_writing->file.commit())
        m_error = m_writing->file.errorString();
    m_writing.reset();
    return false;
}

void GpxExport::fail(const QString &error)
{
    m_error = error;
    m_writing.reset(); // the temporary file goes with it
}

QString saveGpx(const QString &path, const GpsTrack &track, const QString &creator)
{
    GpxExport gpx(path, track.points(), creator);
    while (gpx.writeSlice()) {
    }
    return gpx.error();
}
