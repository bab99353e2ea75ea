#include "gpsfix.h"

#include "translation.h"

namespace {

constexpr int kUtc8OffsetSeconds = 8 * 3600;

} // namespace

MapPoint FixPosition::point() const
{
    return {latitude.degrees.toDouble(), longitude.degrees.toDouble()};
}

namespace FixText {

QString coordinate(const FixCoordinate &coordinate)
{
    return QString::fromLatin1(coordinate.degrees + coordinate.hemisphere);
}

QString degreesMinutes(const FixCoordinate &coordinate)
{
    const int degreeDigits = coordinate.nmea.indexOf('.') - 2;
    return QLatin1String("=") + QString::fromLatin1(coordinate.nmea.left(degreeDigits))
        + QStringLiteral("°") + QString::fromLatin1(coordinate.nmea.mid(degreeDigits))
        + QLatin1String("'") + QString::fromLatin1(coordinate.hemisphere);
}

QString date(const QDate &date)
{
    //: QDate format: yyyy the year, MM the month, dd the day
    return date.toString(mainTr("yyyy年MM月dd日"));
}

QString time(const QTime &time)
{
    //: QTime format: hh hours, mm minutes, ss.zzz seconds and milliseconds
    return time.toString(mainTr("hh时mm分ss.zzz秒"));
}

QDateTime utcPlus8(const QDateTime &utc)
{
    return utc.addSecs(kUtc8OffsetSeconds);
}

QString metresPerSecond(const QByteArray &kmh)
{
    return QString::number(kmh.toDouble() * 1000.0 / 3600.0, 'f', 3) + QLatin1String("m/s");
}

QString kilometresPerHour(const QByteArray &kmh)
{
    return QLatin1String("=") + QString::fromLatin1(kmh) + QLatin1String("km/h");
}

QString altitude(const QByteArray &metres)
{
    return QString::fromLatin1(metres) + mainTr("米");
}

QString mode(FixMode mode)
{
    switch (mode) {
    case FixMode::None:
        return mainTr("未定位");
    case FixMode::TwoD:
        return mainTr("2D定位");
    case FixMode::ThreeD:
        return mainTr("3D定位");
    }
    return QString();
}

QString quality(FixQuality quality)
{
    switch (quality) {
    case FixQuality::NoFix:
        return mainTr("无定位");
    case FixQuality::Gps:
        return QStringLiteral("GPS");
    case FixQuality::Dgps:
        return QStringLiteral("DGPS");
    case FixQuality::Pps:
        return QStringLiteral("PPS");
    case FixQuality::RtkFixed:
        return mainTr("RTK固定");
    case FixQuality::RtkFloat:
        return mainTr("RTK浮动");
    case FixQuality::Estimated:
        return mainTr("估算");
    case FixQuality::Manual:
        return mainTr("手动输入");
    case FixQuality::Simulated:
        return mainTr("模拟");
    }
    return QString();
}

QString dop(const QByteArray &dop)
{
    return dop.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(dop);
}

} // namespace FixText
