#include "satellites.h"

#include "nmea.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// A satellite's fields come in groups of four after the first four fields.
constexpr int kGsvFirstSatellite = 4;
constexpr int kGsvFieldsPerSatellite = 4;
constexpr int kGsaFirstSatellite = 3;
constexpr int kGsaSatellites = 12;
constexpr int kGsaSystemId = 18;

// An unsigned whole number of at most `digits` digits, else -1.
int smallNumber(const QByteArray &text, int digits)
{
    if (text.isEmpty() || text.size() > digits)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int inRange(int value, int low, int high)
{
    return value >= low && value <= high ? value : -1;
}

} // namespace

SatelliteSystem systemOfNumber(int number)
{
    if (number >= 1 && number <= 32)
        return SatelliteSystem::Gps;
    if ((number >= 33 && number <= 64) || (number >= 120 && number <= 158))
        return SatelliteSystem::Sbas;
    if (number >= 65 && number <= 96)
        return SatelliteSystem::Glonass;
    if (number >= 193 && number <= 200)
        return SatelliteSystem::Qzss;
    if ((number >= 201 && number <= 237) || (number >= 401 && number <= 437))
        return SatelliteSystem::BeiDou;
    if (number >= 301 && number <= 336)
        return SatelliteSystem::Galileo;
    return SatelliteSystem::Other;
}

SatelliteSystem systemOfTalker(const QByteArray &talker, int number)
{
    if (talker == "GL")
        return SatelliteSystem::Glonass;
    if (talker == "GA")
        return SatelliteSystem::Galileo;
    if (talker == "GB" || talker == "BD")
        return SatelliteSystem::BeiDou;
    if (talker == "GQ")
        return SatelliteSystem::Qzss;
    return systemOfNumber(number);
}

SatelliteSystem systemOfGsaId(const QByteArray &id)
{
    switch (smallNumber(id, 2)) {
    case 1:
        return SatelliteSystem::Gps;
    case 2:
        return SatelliteSystem::Glonass;
    case 3:
        return SatelliteSystem::Galileo;
    case 4:
        return SatelliteSystem::BeiDou;
    case 5:
        return SatelliteSystem::Qzss;
    default:
        return SatelliteSystem::Other;
    }
}

QPointF skyPosition(double elevation, double azimuth, double radius)
{
    const double distance = radius * (90.0 - elevation) / 90.0;
    const double angle = qDegreesToRadians(azimuth);
    return {distance * qSin(angle), -distance * qCos(angle)};
}

QVector<QPointF> nudgedApart(QVector<QPointF> points, double spacing)
{
    // Pairwise relaxation: each round moves both of every crowded pair half
    // of what they lack, a hair more so rounding cannot leave them touching.
    constexpr int kRounds = 64;
    constexpr double kGoldenAngle = 2.399963229728653;
    constexpr double kHair = 1e-3;
    for (int round = 0; round < kRounds; ++round) {
        bool moved = false;
        for (int i = 0; i < points.size(); ++i) {
            for (int j = i + 1; j < points.size(); ++j) {
                const QPointF apart = points[j] - points[i];
                const double distance = std::hypot(apart.x(), apart.y());
                if (distance >= spacing)
                    continue;
                const double angle = kGoldenAngle * (i * points.size() + j);
                const QPointF direction = distance > 1e-9
                                              ? apart / distance
                                              : QPointF(qCos(angle), qSin(angle));
                const QPointF push = direction * ((spacing - distance) / 2 + kHair);
                points[i] -= push;
                points[j] += push;
                moved = true;
            }
        }
        if (!moved)
            break;
    }
    return points;
}

// ---- the model ---------------------------------------------------------------

Satellite *SkyModel::find(const Key &key)
{
    for (Satellite &satellite : m_satellites) {
        if (satellite.system == key.system && satellite.number == key.number)
            return &satellite;
    }
    return nullptr;
}

// Fields: 1 sentences in the series, 2 this one's number, 3 satellites in
// view, then number, elevation, azimuth and SNR of up to four satellites;
// NMEA 4.10 adds the signal ID as a last, odd field.
void SkyModel::applyGsv(const QByteArrayList &fields, qint64 now)
{
    const QByteArray talker = talkerOf(fields.value(0));
    const int groups = (fields.size() - kGsvFirstSatellite) / kGsvFieldsPerSatellite;
    const bool hasSignal =
        (fields.size() - kGsvFirstSatellite) % kGsvFieldsPerSatellite == 1;
    const int signal = hasSignal ? qMax(0, smallNumber(fields.last(), 2)) : 0;
    for (int g = 0; g < groups; ++g) {
        const int at = kGsvFirstSatellite + g * kGsvFieldsPerSatellite;
        const int number = inRange(smallNumber(fields.at(at), 3), 1, 999);
        if (number < 0)
            continue;
        const Key key{systemOfTalker(talker, number), number};
        Satellite *satellite = find(key);
        if (!satellite) {
            if (m_satellites.size() >= kMaxSatellites)
                continue;
            Satellite fresh;
            fresh.system = key.system;
            fresh.number = number;
            fresh.signal = signal;
            fresh.used = m_used.contains(key);
            m_satellites.append(fresh);
            satellite = &m_satellites.last();
        }
        satellite->elevation = inRange(smallNumber(fields.at(at + 1), 2), 0, 90);
        const int azimuth = inRange(smallNumber(fields.at(at + 2), 3), 0, 360);
        satellite->azimuth = azimuth == 360 ? 0 : azimuth;
        // A satellite heard on several signals keeps the SNR of the first
        // one it was reported on, so its bar does not jump between them.
        if (satellite->signal == signal)
            satellite->snr = inRange(smallNumber(fields.at(at + 3), 2), 0, 99);
        satellite->heardAt = now;
    }
    ++m_revision;
}

// Fields: 1 selection mode, 2 fix type, 3–14 the numbers of the satellites
// used, 15 PDOP, 16 HDOP, 17 VDOP, 18 (NMEA 4.10) the system ID.
void SkyModel::applyGsa(const QByteArrayList &fields, qint64 now)
{
    if (!m_inGsaRun)
        m_used.clear();
    m_inGsaRun = true;
    m_usedAt = now;
    const QByteArray talker = talkerOf(fields.value(0));
    const QByteArray systemId = field(fields, kGsaSystemId);
    for (int k = kGsaFirstSatellite; k < kGsaFirstSatellite + kGsaSatellites; ++k) {
        const int number = inRange(smallNumber(field(fields, k), 3), 1, 999);
        if (number < 0 || m_used.size() >= kMaxSatellites)
            continue;
        const SatelliteSystem system = talker == "GN" && !systemId.isEmpty()
                                           ? systemOfGsaId(systemId)
                                           : systemOfTalker(talker, number);
        m_used.insert({system, number});
    }
    markUsed();
}

void SkyModel::markUsed()
{
    for (Satellite &satellite : m_satellites)
        satellite.used = m_used.contains({satellite.system, satellite.number});
    ++m_revision;
}

bool SkyModel::expire(qint64 now)
{
    const int before = m_satellites.size();
    m_satellites.erase(std::remove_if(m_satellites.begin(), m_satellites.end(),
                                      [now](const Satellite &satellite) {
                                          return now - satellite.heardAt > kExpiryMs;
                                      }),
                       m_satellites.end());
    bool changed = m_satellites.size() != before;
    if (!m_used.isEmpty() && now - m_usedAt > kExpiryMs) {
        m_used.clear();
        markUsed();
        changed = true;
    } else if (changed) {
        ++m_revision;
    }
    return changed;
}

void SkyModel::clear()
{
    m_satellites.clear();
    m_used.clear();
    m_inGsaRun = false;
    ++m_revision;
}

QVector<Satellite> SkyModel::satellites() const
{
    QVector<Satellite> sorted = m_satellites;
    std::sort(sorted.begin(), sorted.end(), [](const Satellite &a, const Satellite &b) {
        return std::make_pair(int(a.system), a.number) < std::make_pair(int(b.system), b.number);
    });
    return sorted;
}
