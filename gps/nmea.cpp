#include "nmea.h"

namespace {

bool isPositionTalker(const QByteArray &talker)
{
    return talker == "GP" || talker == "GN" || talker == "GL" || talker == "GA"
        || talker == "GB" || talker == "BD" || talker == "GQ";
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

SentenceKind sentenceKind(const QByteArray &name)
{
    if (name.size() != 5)
        return SentenceKind::Other;
    if (name.startsWith("VC")) {
        if (name == "VCLOC")
            return SentenceKind::DeviceLocate;
        if (name == "VCPLO")
            return SentenceKind::DevicePlot;
        if (name == "VCSET")
            return SentenceKind::DeviceSettings;
        if (name == "VCFLE")
            return SentenceKind::DeviceFile;
        return SentenceKind::Other;
    }
    if (!isPositionTalker(name.left(2)))
        return SentenceKind::Other;
    const char *type = name.constData() + 2;
    if (qstrcmp(type, "RMC") == 0)
        return SentenceKind::Rmc;
    if (qstrcmp(type, "VTG") == 0)
        return SentenceKind::Vtg;
    if (qstrcmp(type, "GGA") == 0)
        return SentenceKind::Gga;
    if (qstrcmp(type, "GSA") == 0)
        return SentenceKind::Gsa;
    if (qstrcmp(type, "GSV") == 0)
        return SentenceKind::Gsv;
    if (qstrcmp(type, "GLL") == 0)
        return SentenceKind::Gll;
    return SentenceKind::Other;
}

QByteArray talkerOf(const QByteArray &name)
{
    return name.left(2);
}

QByteArray field(const QByteArrayList &fields, int k)
{
    return k < fields.size() ? fields.at(k) : QByteArray();
}

bool isNmeaCoordinate(const QByteArray &text)
{
    const int dot = text.indexOf('.');
    if (dot != 4 && dot != 5)
        return false;
    for (int i = 0; i < text.size(); ++i) {
        if (i != dot && !isDigit(text.at(i)))
            return false;
    }
    const int minutesTens = text.at(dot - 2) - '0';
    return minutesTens < 6;
}

QByteArray nmeaToDegrees(const QByteArray &text)
{
    const int dot = text.indexOf('.');
    const int degreeDigits = dot == 4 ? 2 : 3;
    // Minutes in units of 1e-5, as an integer, so no rounding creeps in.
    qint64 minutes = (text.at(degreeDigits) - '0') * 10 + (text.at(degreeDigits + 1) - '0');
    for (int i = 1; i <= 5; ++i) {
        const int at = dot + i;
        minutes = minutes * 10 + (at < text.size() ? text.at(at) - '0' : 0);
    }
    // degrees·1e7 = minutes·1e-5 · 1e7 / 60
    const qint64 decimals = minutes * 10 / 6;
    return text.left(degreeDigits) + '.' + QByteArray::number(decimals).rightJustified(7, '0');
}

QByteArray signedDegrees(const QByteArray &text, const QByteArray &hemisphere,
                         const char *positive)
{
    const QByteArray degrees = nmeaToDegrees(text);
    return hemisphere == positive ? degrees : '-' + degrees;
}

bool readPosition(const QByteArrayList &fields, int first, NmeaPosition *position)
{
    const QByteArray latitude = field(fields, first);
    const QByteArray longitude = field(fields, first + 2);
    if (!isNmeaCoordinate(latitude) || !isNmeaCoordinate(longitude))
        return false;
    const QByteArray latitudeDegrees = nmeaToDegrees(latitude);
    const QByteArray longitudeDegrees = nmeaToDegrees(longitude);
    // The text's form allows up to 999°; the earth does not.
    if (latitudeDegrees.toDouble() > 90.0 || longitudeDegrees.toDouble() > 180.0)
        return false;
    position->latitude = signedDegrees(latitude, field(fields, first + 1), "N");
    position->longitude = signedDegrees(longitude, field(fields, first + 3), "E");
    return true;
}

bool isNmeaNumber(const QByteArray &text)
{
    if (text.size() > kMaxNumberLength)
        return false;
    const int sign = text.startsWith('-') || text.startsWith('+') ? 1 : 0;
    int digits = 0;
    int points = 0;
    for (int i = sign; i < text.size(); ++i) {
        const char c = text.at(i);
        if (isDigit(c))
            ++digits;
        else if (c != '.' || ++points > 1)
            return false;
    }
    return digits > 0;
}

namespace {

bool allDigits(const QByteArray &text)
{
    for (char c : text) {
        if (!isDigit(c))
            return false;
    }
    return !text.isEmpty();
}

int twoDigits(const QByteArray &text, int at)
{
    return (text.at(at) - '0') * 10 + (text.at(at + 1) - '0');
}

} // namespace

std::optional<QDate> nmeaDate(const QByteArray &text)
{
    const QByteArray ddmmyy = text.left(6);
    if (ddmmyy.size() < 6 || !allDigits(ddmmyy))
        return std::nullopt;
    const QDate date(2000 + twoDigits(ddmmyy, 4), twoDigits(ddmmyy, 2), twoDigits(ddmmyy, 0));
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> nmeaTime(const QByteArray &text)
{
    const QByteArray hhmmss = text.left(6);
    if (hhmmss.size() < 6 || !allDigits(hhmmss))
        return std::nullopt;
    int milliseconds = 0;
    if (text.size() > 7 && isDigit(text.at(7)))
        milliseconds += 100 * (text.at(7) - '0');
    if (text.size() > 8 && isDigit(text.at(8)))
        milliseconds += 10 * (text.at(8) - '0');
    const QTime time(twoDigits(hhmmss, 0), twoDigits(hhmmss, 2), twoDigits(hhmmss, 4), milliseconds);
    if (!time.isValid())
        return std::nullopt;
    return time;
}
