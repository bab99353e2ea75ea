#include "gpsrecord.h"

#include "nmea.h"
#include "translation.h"

#include <QDateTime>

#include <chrono>

namespace {

constexpr int kUtc8OffsetSeconds = 8 * 3600;

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

// "=31°50.7282'N": the degrees, then the minutes as received.
QString degreeMinuteText(const QByteArray &coordinate, const QByteArray &hemisphere)
{
    const int degreeDigits = coordinate.indexOf('.') - 2;
    return QLatin1String("=") + QString::fromLatin1(coordinate.left(degreeDigits)) + mainTr("°")
        + QString::fromLatin1(coordinate.mid(degreeDigits)) + QLatin1String("'")
        + QString::fromLatin1(hemisphere);
}

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

GpsRecord::GpsRecord(Clock clock)
    : m_clock(clock ? std::move(clock) : steadyMilliseconds)
{
}

QString GpsRecord::dateText(const QDate &date)
{
    return date.toString(QLatin1String("yyyy") + mainTr("年") + QLatin1String("MM") + mainTr("月")
                         + QLatin1String("dd") + mainTr("日"));
}

QString GpsRecord::timeText(const QTime &time)
{
    return time.toString(QLatin1String("hh") + mainTr("时") + QLatin1String("mm") + mainTr("分")
                         + QLatin1String("ss.zzz") + mainTr("秒"));
}

LabelTexts GpsRecord::applyRmc(const QByteArrayList &fields, bool *moved)
{
    LabelTexts labels;
    // A fix whose coordinates are not plain numbers is not a fix; its date
    // and time still count.
    *moved = field(fields, 2) == "A" && readFix(fields, &labels);
    if (readDate(field(fields, 9)))
        labels << qMakePair(QStringLiteral("label_gps_utc_data"), dateText(m_utcDate));
    if (readTime(field(fields, 1)))
        labels << qMakePair(QStringLiteral("label_gps_utc_time"), timeText(m_utcTime));
    if (m_utcDate.isValid() && m_utcTime.isValid()) {
        const QDateTime utc8 =
            QDateTime(m_utcDate, m_utcTime, Qt::UTC).addSecs(kUtc8OffsetSeconds);
        labels << qMakePair(QStringLiteral("label_gps_utc8_data"), dateText(utc8.date()))
               << qMakePair(QStringLiteral("label_gps_utc8_time"), timeText(utc8.time()));
    }
    return labels;
}

bool GpsRecord::readFix(const QByteArrayList &fields, LabelTexts *labels)
{
    NmeaPosition position;
    if (!readPosition(fields, 3, &position))
        return false;
    m_latitude = position.latitude;
    m_longitude = position.longitude;
    const QByteArray northSouth = field(fields, 4);
    const QByteArray eastWest = field(fields, 6);
    // The label names are historical: "longitude" shows the latitude.
    *labels << qMakePair(QStringLiteral("label_longitude"),
                         QString::fromLatin1(m_latitude + northSouth))
            << qMakePair(QStringLiteral("label_longitude_2"),
                         degreeMinuteText(field(fields, 3), northSouth))
            << qMakePair(QStringLiteral("label_latitude"),
                         QString::fromLatin1(m_longitude + eastWest))
            << qMakePair(QStringLiteral("label_latitude_2"),
                         degreeMinuteText(field(fields, 5), eastWest));
    return true;
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

LabelTexts GpsRecord::applyVtg(const QByteArrayList &fields)
{
    const QByteArray kmh = field(fields, 7);
    const double metresPerSecond = kmh.toDouble() * 1000.0 / 3600.0;
    return {qMakePair(QStringLiteral("label_gps_seed"),
                      QString::number(metresPerSecond, 'f', 3) + QLatin1String("m/s")),
            qMakePair(QStringLiteral("label_gps_seed_2"),
                      QLatin1String("=") + QString::fromLatin1(kmh) + QLatin1String("km/h"))};
}

LabelTexts GpsRecord::applyGga(const QByteArrayList &fields)
{
    LabelTexts labels{qMakePair(QStringLiteral("label_lgps_high"),
                                QString::fromLatin1(field(fields, 9)) + mainTr("米"))};
    const QByteArray inUse = field(fields, 7);
    if (!inUse.isEmpty())
        labels << qMakePair(QStringLiteral("label_gps_num"), QString::fromLatin1(inUse));
    return labels;
}

LabelTexts GpsRecord::applyGsa(const QByteArrayList &fields)
{
    const QByteArray mode = field(fields, 2);
    QString text;
    if (mode == "1")
        text = mainTr("未定位");
    else if (mode == "2")
        text = mainTr("2D定位");
    else if (mode == "3")
        text = mainTr("3D定位");
    else
        return {}; // an unknown mode leaves the last known one on screen
    return {qMakePair(QStringLiteral("label_gps_location"), text)};
}

LabelTexts GpsRecord::applyGsv(const QByteArrayList &fields)
{
    const QByteArray inView = field(fields, 3);
    if (inView.isEmpty())
        return {};
    const qint64 now = m_clock();
    expireSatellitesInView(now);
    m_satellitesInView.insert(talkerOf(field(fields, 0)), {inView.toInt(), now});
    if (m_satellitesInView.size() == 1)
        return {qMakePair(QStringLiteral("label_gps_num_view"), QString::fromLatin1(inView))};
    int total = 0;
    for (const InView &system : qAsConst(m_satellitesInView))
        total += system.count;
    return {qMakePair(QStringLiteral("label_gps_num_view"), QString::number(total))};
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
