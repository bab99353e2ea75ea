#include "gpsrecord.h"

#include "nmea.h"

#include <chrono>

namespace {

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A position whose coordinates are not plain numbers is not a fix.
std::optional<FixPosition> readFix(const QByteArrayList &fields)
{
    NmeaPosition position;
    if (!readPosition(fields, 3, &position))
        return std::nullopt;
    return FixPosition{{field(fields, 3), field(fields, 4), position.latitude},
                       {field(fields, 5), field(fields, 6), position.longitude}};
}

} // namespace

GpsRecord::GpsRecord(Clock clock)
    : m_clock(clock ? std::move(clock) : steadyMilliseconds)
{
}

GpsFix GpsRecord::applyRmc(const QByteArrayList &fields)
{
    GpsFix fix;
    if (field(fields, 2) == "A") {
        fix.position = readFix(fields);
        if (fix.position) {
            m_latitude = fix.position->latitude.degrees;
            m_longitude = fix.position->longitude.degrees;
        }
    }
    // A fix whose coordinates are bad still brings its date and time.
    if (readDate(field(fields, 9)))
        fix.utcDate = m_utcDate;
    if (readTime(field(fields, 1)))
        fix.utcTime = m_utcTime;
    if (m_utcDate.isValid() && m_utcTime.isValid())
        fix.utc = QDateTime(m_utcDate, m_utcTime, Qt::UTC);
    return fix;
}

bool GpsRecord::readDate(const QByteArray &text)
{
    const std::optional<QDate> date = nmeaDate(text);
    if (date)
        m_utcDate = *date;
    return date.has_value();
}

bool GpsRecord::readTime(const QByteArray &text)
{
    const std::optional<QTime> time = nmeaTime(text);
    if (time)
        m_utcTime = *time;
    return time.has_value();
}

// An empty measure is shown as the receiver's "none"; one that is not a
// number is not shown at all.
GpsFix GpsRecord::applyVtg(const QByteArrayList &fields)
{
    GpsFix fix;
    const QByteArray speed = field(fields, 7);
    if (speed.isEmpty() || isNmeaNumber(speed))
        fix.speedKmh = speed;
    return fix;
}

GpsFix GpsRecord::applyGga(const QByteArrayList &fields)
{
    GpsFix fix;
    const QByteArray altitude = field(fields, 9);
    if (altitude.isEmpty() || isNmeaNumber(altitude))
        fix.altitudeMetres = altitude;
    const QByteArray inUse = field(fields, 7);
    if (isNmeaNumber(inUse))
        fix.satellitesInUse = inUse;
    // An unknown quality leaves the last known one standing.
    const QByteArray quality = field(fields, 6);
    if (quality.size() == 1 && quality.at(0) >= '0' && quality.at(0) <= '8')
        fix.quality = FixQuality(quality.at(0) - '0');
    return fix;
}

GpsFix GpsRecord::applyGsa(const QByteArrayList &fields)
{
    GpsFix fix;
    const QByteArray mode = field(fields, 2);
    // An unknown mode leaves the last known one standing.
    if (mode == "1")
        fix.mode = FixMode::None;
    else if (mode == "2")
        fix.mode = FixMode::TwoD;
    else if (mode == "3")
        fix.mode = FixMode::ThreeD;
    // PDOP, HDOP, VDOP: the same in each system's GSA of an epoch.
    const auto dop = [&fields](int k) -> std::optional<QByteArray> {
        const QByteArray text = field(fields, k);
        if (text.isEmpty() || isNmeaNumber(text))
            return text;
        return std::nullopt;
    };
    fix.pdop = dop(15);
    fix.hdop = dop(16);
    fix.vdop = dop(17);
    m_sky.applyGsa(fields, m_clock());
    return fix;
}

// A count of at most three digits, as a receiver sends it ("07").
std::optional<int> GpsRecord::satellitesInView(const QByteArray &text)
{
    bool ok = false;
    const int count = text.toInt(&ok);
    if (!ok || !isNmeaNumber(text) || count < 0 || count > kMaxSatellitesInView)
        return std::nullopt;
    return count;
}

GpsFix GpsRecord::applyGsv(const QByteArrayList &fields)
{
    GpsFix fix;
    const QByteArray inView = field(fields, 3);
    const qint64 now = m_clock();
    m_sky.otherSentence();
    m_sky.expire(now);
    m_sky.applyGsv(fields, now);
    expireSatellitesInView(now);
    const std::optional<int> count = satellitesInView(inView);
    if (!count)
        return fix;
    m_satellitesInView.insert(talkerOf(field(fields, 0)), {*count, now});
    if (m_satellitesInView.size() == 1) {
        fix.satellitesInView = inView;
        return fix;
    }
    int total = 0;
    for (const InView &system : qAsConst(m_satellitesInView))
        total = qMin(total + system.count, kMaxSatellitesInView);
    fix.satellitesInView = QByteArray::number(total);
    return fix;
}

void GpsRecord::forgetSatellitesInView()
{
    m_satellitesInView.clear();
    m_sky.clear();
}

void GpsRecord::expireSatellitesInView(qint64 now)
{
    for (auto it = m_satellitesInView.begin(); it != m_satellitesInView.end();) {
        if (now - it->heardAt > kInViewExpiryMs)
            it = m_satellitesInView.erase(it);
        else
            ++it;
    }
}
