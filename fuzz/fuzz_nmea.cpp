// What a GPS receiver or a device on the GPS tab's line sends: the sentence
// splitter, the sentences read into the position record, its satellites and
// the track, the track as GPX, and the device commands (settings, positions,
// file uploads).
//
// Input: two bytes that split the stream into one to three reads, then the
// stream.
#include "devicecommands.h"
#include "fuzzcheck.h"
#include "gpsrecord.h"
#include "gpstrack.h"
#include "nmea.h"
#include "nmeasplitter.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const QString &workingDir()
{
    static QTemporaryDir dir;
    static const QString path = QDir(dir.path()).canonicalPath();
    return path;
}

bool isDegreesText(const QByteArray &text)
{
    static const QRegularExpression degrees(QStringLiteral("^(0|-?\\d{1,3}\\.\\d{7})$"));
    return degrees.match(QString::fromLatin1(text)).hasMatch();
}

// What the labels show and the map is told must be plain decimal degrees.
void checkPosition(const GpsRecord &record)
{
    check(isDegreesText(record.latitude()) && isDegreesText(record.longitude()),
          "the position is plain decimal degrees");
}

void checkDeviceCommand(const QByteArrayList &fields)
{
    switch (sentenceKind(fields.first())) {
    case SentenceKind::DeviceSettings: {
        const DeviceSettings settings = parseDeviceSettings(fields);
        check(!settings.zoom || (*settings.zoom >= 3 && *settings.zoom <= 19), "zoom 3 to 19");
        for (const auto &side : {settings.pictureWidth, settings.pictureHeight})
            check(!side || (*side >= 1 && *side <= kMaxPictureSide), "picture side in range");
        break;
    }
    case SentenceKind::DeviceLocate:
    case SentenceKind::DevicePlot: {
        NmeaPosition position;
        if (readPosition(fields, 1, &position))
            check(isDegreesText(position.latitude) && isDegreesText(position.longitude),
                  "a device position is plain decimal degrees");
        break;
    }
    case SentenceKind::DeviceFile: {
        const FileRequest request = parseFileRequest(fields);
        if (request.refusal != FileRequest::Accepted)
            break;
        check(request.size >= 0 && request.size <= kMaxUploadBytes, "upload size bounded");
        const QString path = QDir::cleanPath(workingDir() + QLatin1Char('/') + request.relativePath);
        check(path.startsWith(workingDir() + QLatin1Char('/')) && path != workingDir(),
              "uploads stay inside their folder");
        break;
    }
    default:
        break;
    }
}

void checkDops(const GpsFix &fix)
{
    for (const auto &dop : {fix.pdop, fix.hdop, fix.vdop})
        check(!dop || dop->isEmpty() || isNmeaNumber(*dop), "a DOP is a number or none");
}

void checkSky(const SkyModel &sky)
{
    check(sky.size() <= SkyModel::kMaxSatellites, "the sky keeps to its bound");
    for (const Satellite &s : sky.satellites()) {
        check(s.number >= 1 && s.number <= 999, "a satellite number is 1 to 999");
        check(s.elevation >= -1 && s.elevation <= 90, "an elevation is 0 to 90 or none");
        check(s.azimuth >= -1 && s.azimuth < 360, "an azimuth is 0 to 359 or none");
        check(s.snr >= -1 && s.snr <= 99, "an SNR is 0 to 99 or none");
    }
}

// Points on the earth, and a GPX file that reads back with all of them.
void checkTrack(const GpsTrack &track)
{
    int points = 0;
    track.forEach([&points](const TrackPoint &point) {
        check(qAbs(point.latitude) <= 900000000 && qAbs(point.longitude) <= 1800000000,
              "a track point is on the earth");
        ++points;
    });
    check(points == track.size(), "the track counts what it keeps");
    QBuffer gpx;
    gpx.open(QIODevice::ReadWrite);
    check(writeGpx(&gpx, track, QStringLiteral("fuzz")), "the track is written");
    gpx.seek(0);
    QXmlStreamReader xml(&gpx);
    int read = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        read += xml.isStartElement() && xml.name() == QLatin1String("trkpt");
    }
    check(!xml.hasError() && read == points, "the GPX reads back whole");
}

void apply(GpsRecord &record, GpsTrack &track, const QByteArrayList &fields)
{
    const QByteArray latitude = record.latitude(), longitude = record.longitude();
    const SentenceKind kind = sentenceKind(fields.first());
    if (kind != SentenceKind::Gsa)
        record.applyOther();
    switch (kind) {
    case SentenceKind::Rmc:
        track.applyRmc(fields);
        record.applyRmc(fields);
        break;
    case SentenceKind::Vtg:
        record.applyVtg(fields);
        break;
    case SentenceKind::Gga:
        track.applyGga(fields);
        record.applyGga(fields);
        break;
    case SentenceKind::Gsa:
        checkDops(record.applyGsa(fields));
        checkSky(record.sky());
        break;
    case SentenceKind::Gsv:
        record.applyGsv(fields);
        checkSky(record.sky());
        break;
    default:
        checkDeviceCommand(fields);
        break;
    }
    if (record.latitude() != latitude || record.longitude() != longitude)
        checkPosition(record);
}

// Every sentence of the reads, in order, as the tab takes them.
std::vector<QByteArrayList> sentencesOf(const std::vector<QByteArray> &reads, bool applyToRecord)
{
    NmeaSplitter splitter;
    GpsRecord record([] { return qint64(0); });
    GpsTrack track;
    std::vector<QByteArrayList> sentences;
    for (const QByteArray &read : reads) {
        splitter.append(read);
        for (QByteArrayList fields = splitter.next(); !fields.isEmpty(); fields = splitter.next()) {
            if (applyToRecord)
                apply(record, track, fields);
            sentences.push_back(fields);
        }
        check(splitter.pendingSize() <= NmeaSplitter::kMaxPending,
              "the splitter keeps to its bound");
    }
    if (applyToRecord)
        checkTrack(track);
    return sentences;
}

// The longest run of bytes without a '*': a sentence longer than the
// splitter's bound is cut where a read ends, so only shorter ones must come
// out alike however the stream is split.
int longestRunWithoutStar(const QByteArray &stream)
{
    int longest = 0, run = 0;
    for (const char c : stream) {
        run = c == '*' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray stream(reinterpret_cast<const char *>(data + 2), int(size - 2));
    int first = int(qint64(data[0]) * stream.size() / 256);
    int second = int(qint64(data[1]) * stream.size() / 256);
    if (first > second)
        std::swap(first, second);

    const auto whole = sentencesOf({stream}, true);
    const auto pieces = sentencesOf(
        {stream.left(first), stream.mid(first, second - first), stream.mid(second)}, false);
    if (longestRunWithoutStar(stream) < NmeaSplitter::kMaxPending)
        check(whole == pieces, "the same sentences however the stream is split");
    return 0;
}
