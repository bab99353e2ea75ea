#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QPointF>
#include <QSet>
#include <QVector>

// The satellite systems the sky view tells apart, in the order the views
// group them.
enum class SatelliteSystem { Gps, Glonass, Galileo, BeiDou, Qzss, Sbas, Other };
constexpr int kSatelliteSystemCount = 7;

// The system of a satellite given by number alone, as a GP or GN talker
// reports it (NMEA 2.x numbering and the common extensions of it):
//   1–32 GPS, 33–64 SBAS (PRN − 87), 65–96 GLONASS (slot + 64),
//   120–158 SBAS, 193–200 QZSS, 201–237 BeiDou (PRN + 200), 301–336 Galileo,
//   401–437 BeiDou. Where receivers' QZSS range 193–202 meets BeiDou's, 201
//   and 202 go to BeiDou: QZSS satellites are numbered from 193 up and none
//   flies as 201 or 202. Anything else is Other.
SatelliteSystem systemOfNumber(int number);

// The system of a GSV or GSA sentence's satellites by its talker: "GL",
// "GA", "GB"/"BD" and "GQ" name theirs; "GP" and "GN" (and any other) leave
// it to each satellite's number.
SatelliteSystem systemOfTalker(const QByteArray &talker, int number);

// The system ID of an NMEA 4.10 GSA (field 18): 1 GPS, 2 GLONASS, 3 Galileo,
// 4 BeiDou, 5 QZSS; Other for anything else or an empty field.
SatelliteSystem systemOfGsaId(const QByteArray &id);

// The points moved apart as little as it takes for none to be closer than
// `spacing` to another (points at the same place part in a direction set by
// their order); points with room around them stay where they are.
QVector<QPointF> nudgedApart(QVector<QPointF> points, double spacing);

// Where a satellite stands on a sky plot of the given radius, as an offset
// from the plot's centre: the zenith in the centre, the horizon on the
// circle, north up and east to the right (y grows downwards, as on screen).
QPointF skyPosition(double elevation, double azimuth, double radius);

// One satellite as the receiver last reported it. Angles and SNR are -1
// when the receiver left them empty.
struct Satellite
{
    SatelliteSystem system = SatelliteSystem::Other;
    int number = 0;     // PRN or slot, as received
    int elevation = -1; // degrees, 0–90
    int azimuth = -1;   // degrees true, 0–359
    int snr = -1;       // dB-Hz, 0–99
    bool used = false;  // in the last fix's GSA
    qint64 heardAt = 0; // ms on the record's clock
    int signal = 0;     // NMEA 4.10 signal ID of the SNR kept, 0 when none was sent

    bool placed() const { return elevation >= 0 && azimuth >= 0; }
};

// The satellites in view, from GSV, and those used in the fix, from GSA.
//
// Bounded: at most kMaxSatellites are kept, and a satellite not heard for
// kExpiryMs leaves. The used ones are the union of the GSA sentences of one
// epoch: multi-system receivers send one GSA per system, one after another;
// the first GSA after any other sentence starts a new epoch and with it a
// new union. Used flags whose GSA has not come for kExpiryMs are dropped.
class SkyModel
{
public:
    static constexpr int kMaxSatellites = 256;
    static constexpr qint64 kExpiryMs = 10000;

    void applyGsv(const QByteArrayList &fields, qint64 now);
    void applyGsa(const QByteArrayList &fields, qint64 now);
    // Any sentence other than a GSA: the next GSA starts a new epoch.
    void otherSentence() { m_inGsaRun = false; }
    // Drops what has not been heard for kExpiryMs; true if anything went.
    bool expire(qint64 now);
    void clear();

    // Grouped by system, then by number.
    QVector<Satellite> satellites() const;
    int size() const { return m_satellites.size(); }
    // Grows with every change, so a view can tell whether to repaint.
    quint64 revision() const { return m_revision; }

private:
    struct Key
    {
        SatelliteSystem system;
        int number;
        bool operator==(const Key &other) const
        {
            return system == other.system && number == other.number;
        }
    };
    friend uint qHash(const Key &key, uint seed)
    {
        return ::qHash(int(key.system) * 1000 + key.number, seed);
    }

    void markUsed();
    Satellite *find(const Key &key);

    QVector<Satellite> m_satellites;
    QSet<Key> m_used; // the current epoch's union
    qint64 m_usedAt = 0;
    bool m_inGsaRun = false;
    quint64 m_revision = 0;
};
