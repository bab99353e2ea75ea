#include "gpsrecord.h"

#include "nmea.h"

#include <chrono>

namespace {

bool allDigits(const QByteArray &text)
{
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

int twoDigits(const QByteArray &text, int at)
{
    return (text.at(at) - '0') * 10 + (text.at(at + 1) - '0');
}

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

// ddmmyy; a shorter or non-numeric field counts as absent.
bool GpsRecord::readDate(const QByteArray &text)
{
    const QByteArray ddmmyy = text.left(6);
    if (ddmmyy.size() < 6 || !allDigits(ddmmyy))
        return false;
    const QDate date(2000 + twoDigits(ddmmyy, 4), twoDigits(ddmmyy, 2), twoDigits(ddmmyy, 0));
    if (!date.isValid())
        return false;
    m_utcDate = date;
    return true;
}

// hhmmss.cc; hundredths that are not there count as zero, a field shorter
// than hhmmss as absent.
bool GpsRecord::readTime(const QByteArray &text)
{
    const QByteArray hhmmss = text.left(6);
    if (hhmmss.size() < 6 || !allDigits(hhmmss))
        return false;
    int milliseconds = 0;
    if (text.size() > 7 && allDigits(text.mid(7, 1)))
        milliseconds += 100 * (text.at(7) - '0');
    if (text.size() > 8 && allDigits(text.mid(8, 1)))
        milliseconds += 10 * (text.at(8) - '0');
    const QTime time(twoDigits(hhmmss, 0), twoDigits(hhmmss, 2), twoDigits(hhmmss, 4), milliseconds);
    if (!time.isValid())
        return false;
    m_utcTime = time;
    return true;
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
    return fix;
}

GpsFix GpsRecord::applyGsv(const QByteArrayList &fields)
{
    GpsFix fix;
    const QByteArray inView = field(fields, 3);
    if (!isNmeaNumber(inView))
        return fix;
    const qint64 now = m_clock();
    expireSatellitesInView(now);
    m_satellitesInView.insert(talkerOf(field(fields, 0)), {inView.toInt(), now});
    if (m_satellitesInView.size() == 1) {
        fix.satellitesInView = inView;
        return fix;
    }
    int total = 0;
    for (const InView &system : qAsConst(m_satellitesInView))
        total += system.count;
    fix.satellitesInView = QByteArray::number(total);
    return fix;
}

void GpsRecord::forgetSatellitesInView()
{
    m_satellitesInView.clear();
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
