#include "mapcoordinates.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// The ellipsoid the GCJ-02 offset is computed on (Krasovsky 1940).
constexpr double kSemiMajorAxis = 6378245.0;
constexpr double kEccentricitySquared = 0.00669342162296594323;
constexpr double kBd09Pi = kPi * 3000.0 / 180.0;

double sineTerms(double x, double y)
{
    return (20.0 * std::sin(6.0 * x * kPi) + 20.0 * std::sin(2.0 * x * kPi)) * 2.0 / 3.0
        + (20.0 * std::sin(y * kPi) + 40.0 * std::sin(y / 3.0 * kPi)) * 2.0 / 3.0;
}

// Offsets in metres-like units for x = longitude - 105, y = latitude - 35.
double latitudeOffset(double x, double y)
{
    return -100.0 + 2.0 * x + 3.0 * y + 0.2 * y * y + 0.1 * x * y + 0.2 * std::sqrt(std::fabs(x))
        + sineTerms(x, y)
        + (160.0 * std::sin(y / 12.0 * kPi) + 320.0 * std::sin(y * kPi / 30.0)) * 2.0 / 3.0;
}

double longitudeOffset(double x, double y)
{
    return 300.0 + x + 2.0 * y + 0.1 * x * x + 0.1 * x * y + 0.1 * std::sqrt(std::fabs(x))
        + sineTerms(x, x)
        + (150.0 * std::sin(x / 12.0 * kPi) + 300.0 * std::sin(x / 30.0 * kPi)) * 2.0 / 3.0;
}

} // namespace

bool isInsideChina(const MapPoint &wgs84)
{
    return wgs84.longitude >= 72.004 && wgs84.longitude <= 137.8347 && wgs84.latitude >= 0.8293
        && wgs84.latitude <= 55.8271;
}

MapPoint wgs84ToGcj02(const MapPoint &wgs84)
{
    if (!isInsideChina(wgs84))
        return wgs84;
    const double x = wgs84.longitude - 105.0;
    const double y = wgs84.latitude - 35.0;
    const double radLat = wgs84.latitude / 180.0 * kPi;
    const double magic = 1.0 - kEccentricitySquared * std::sin(radLat) * std::sin(radLat);
    const double sqrtMagic = std::sqrt(magic);
    const double dLat = latitudeOffset(x, y) * 180.0
        / ((kSemiMajorAxis * (1.0 - kEccentricitySquared)) / (magic * sqrtMagic) * kPi);
    const double dLng =
        longitudeOffset(x, y) * 180.0 / (kSemiMajorAxis / sqrtMagic * std::cos(radLat) * kPi);
    return {wgs84.latitude + dLat, wgs84.longitude + dLng};
}

MapPoint gcj02ToBd09(const MapPoint &gcj02)
{
    const double x = gcj02.longitude;
    const double y = gcj02.latitude;
    const double z = std::sqrt(x * x + y * y) + 0.00002 * std::sin(y * kBd09Pi);
    const double theta = std::atan2(y, x) + 0.000003 * std::cos(x * kBd09Pi);
    return {z * std::sin(theta) + 0.006, z * std::cos(theta) + 0.0065};
}

MapPoint wgs84ToBd09(const MapPoint &wgs84)
{
    if (!isInsideChina(wgs84))
        return wgs84;
    return gcj02ToBd09(wgs84ToGcj02(wgs84));
}
