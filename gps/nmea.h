#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDate>
#include <QTime>

#include <optional>

// What a sentence name asks for. Position sentences are recognised from
// every satellite system's talker ("GP", "GN", "GL", "GA", "GB", "BD", "GQ"),
// since multi-constellation receivers no longer say "GP".
enum class SentenceKind {
    Other,
    DeviceLocate,   // VCLOC
    DevicePlot,     // VCPLO
    DeviceSettings, // VCSET
    DeviceFile,     // VCFLE
    Rmc,
    Vtg,
    Gga,
    Gsa,
    Gsv,
    Gll,
};

SentenceKind sentenceKind(const QByteArray &name);

// The talker of a position sentence ("GP", "BD", ...): "GPGSV" gives "GP".
QByteArray talkerOf(const QByteArray &name);

// Field k of a sentence, empty when the sentence is shorter.
QByteArray field(const QByteArrayList &fields, int k);

// True for NMEA coordinate text: digits with one '.' after 4 (latitude,
// ddmm.) or 5 (longitude, dddmm.) of them, and minutes below 60. Anything
// else could carry text into the map page's script, or give a wrong value.
bool isNmeaCoordinate(const QByteArray &text);

// ddmm.mmmmm or dddmm.mmmmm as decimal degrees with exactly seven decimals
// (minutes/60 truncated): "3150.7282" gives "31.8454700". Expects text that
// passed isNmeaCoordinate().
QByteArray nmeaToDegrees(const QByteArray &text);

// The signed form: '-' in front unless the hemisphere is exactly `positive`
// ("N" for latitude, "E" for longitude).
QByteArray signedDegrees(const QByteArray &text, const QByteArray &hemisphere,
                         const char *positive);

// A number field as the tab shows it (satellites, altitude, speed, HDOP):
// digits with at most one '.' and a leading sign, kMaxNumberLength
// characters at most. Anything else is not shown.
constexpr int kMaxNumberLength = 16;
bool isNmeaNumber(const QByteArray &text);

// A position given as latitude, N/S, longitude, E/W in fields first..first+3;
// false when a coordinate is not NMEA text or lies beyond 90° or 180°.
struct NmeaPosition
{
    QByteArray latitude;  // signed decimal degrees
    QByteArray longitude; // signed decimal degrees
};
bool readPosition(const QByteArrayList &fields, int first, NmeaPosition *position);

// An RMC date, ddmmyy (year 2000 + yy); nothing when shorter, not digits or
// not a day of the calendar.
std::optional<QDate> nmeaDate(const QByteArray &text);

// A time of day, hhmmss.cc; hundredths that are not there count as zero,
// a field shorter than hhmmss or not a time gives nothing.
std::optional<QTime> nmeaTime(const QByteArray &text);
