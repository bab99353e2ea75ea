#pragma once

#include "maptarget.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// One coordinate of a fix, as the receiver sent it and in signed decimal
// degrees.
struct FixCoordinate
{
    QByteArray nmea;       // ddmm.mmmm (latitude) or dddmm.mmmm (longitude)
    QByteArray hemisphere; // as received: "N", "S", "E", "W"
    QByteArray degrees;    // seven decimals, '-' for south and west: "-31.8454700"
};

struct FixPosition
{
    FixCoordinate latitude;
    FixCoordinate longitude;
    MapPoint point() const;
};

enum class FixMode { None, TwoD, ThreeD };

// GGA's fix quality (field 6), by its number.
enum class FixQuality {
    NoFix = 0,
    Gps = 1,
    Dgps = 2,
    Pps = 3,
    RtkFixed = 4,
    RtkFloat = 5,
    Estimated = 6,
    Manual = 7,
    Simulated = 8,
};

// What one sentence told about the receiver: only what it carried is set.
// Counts and measures stay as received ("07"), since that is how they are
// shown.
struct GpsFix
{
    std::optional<FixPosition> position; // a valid RMC fix
    std::optional<QDate> utcDate;        // RMC
    std::optional<QTime> utcTime;        // RMC
    // Whenever an RMC comes and both date and time are known, from this
    // sentence or an earlier one.
    std::optional<QDateTime> utc;
    std::optional<QByteArray> speedKmh;         // VTG
    std::optional<QByteArray> altitudeMetres;   // GGA, empty when the receiver has none
    std::optional<QByteArray> satellitesInUse;  // GGA
    std::optional<QByteArray> satellitesInView; // GSV, over every system still heard
    std::optional<FixMode> mode;                // GSA
    std::optional<FixQuality> quality;          // GGA
    // GSA, each empty when the receiver has none.
    std::optional<QByteArray> pdop;
    std::optional<QByteArray> hdop;
    std::optional<QByteArray> vdop;
};

// How the tab shows a fix.
namespace FixText {
// "-31.8454700S"
QString coordinate(const FixCoordinate &coordinate);
// "=31°50.7282'S": the degrees, then the minutes as received.
QString degreesMinutes(const FixCoordinate &coordinate);
// "2014年12月31日"
QString date(const QDate &date);
// "23时59分59.120秒"
QString time(const QTime &time);
// The time the tab shows beside UTC.
QDateTime utcPlus8(const QDateTime &utc);
// "10.000m/s" and "=36.0km/h"
QString metresPerSecond(const QByteArray &kmh);
QString kilometresPerHour(const QByteArray &kmh);
// "183.3米"
QString altitude(const QByteArray &metres);
// "3D定位"
QString mode(FixMode mode);
// "RTK固定"
QString quality(FixQuality quality);
// A dilution of precision as received, "-" when the receiver has none.
QString dop(const QByteArray &dop);
} // namespace FixText
