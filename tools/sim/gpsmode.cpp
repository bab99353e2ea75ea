// zentrik-sim gps: a GPS receiver, or a device that forwards one. Replays an
// NMEA capture or drives a synthetic lap, sends the device commands of the
// GPS tab ("VCLOC", "VCSET", ...) and reports the picture frames that come
// back, saving each as an image.
#include "simlink.h"
#include "simmodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>
#include <QTime>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <QtEndian>
#include <QtMath>

namespace {

// Fast receivers send 10 to 20 fixes a second.
constexpr int kMaxRate = 20;
// How long the end of a run waits for the pictures its VCLOC commands asked for.
constexpr int kPictureWaitMs = 30000;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QByteArray withChecksum(const QByteArray &body)
{
    quint8 sum = 0;
    for (const char c : body)
        sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

QByteArray nmeaAngle(double degrees, int degreeDigits)
{
    const double magnitude = qAbs(degrees);
    const int whole = int(magnitude);
    const double minutes = (magnitude - whole) * 60.0;
    return QByteArray::number(whole).rightJustified(degreeDigits, '0')
        + QByteArray::number(minutes, 'f', 5).rightJustified(8, '0');
}

// The synthetic receiver's sky: four systems and an SBAS satellite, as
// number, elevation, azimuth and SNR (empty: not tracked).
struct SkySatellite
{
    const char *number;
    const char *elevation;
    const char *azimuth;
    const char *snr;
};
const SkySatellite kGpsSky[] = {{"01", "40", "083", "41"}, {"04", "33", "210", "38"},
                                {"07", "61", "300", "44"}, {"08", "12", "040", "30"},
                                {"11", "25", "150", "35"}, {"17", "70", "020", "46"},
                                {"28", "08", "250", "22"}, {"30", "48", "120", "40"},
                                {"42", "35", "190", "33"}};
const SkySatellite kGlonassSky[] = {{"65", "52", "270", "39"}, {"66", "22", "330", "31"},
                                    {"72", "15", "100", "28"}, {"81", "05", "060", ""}};
const SkySatellite kGalileoSky[] = {{"03", "44", "160", "42"}, {"05", "27", "230", "36"},
                                    {"13", "62", "045", "45"}};
const SkySatellite kBeidouSky[] = {{"01", "45", "125", "40"}, {"03", "51", "195", "39"},
                                   {"06", "22", "070", "33"}};

// One GSV series, four satellites a sentence.
template<size_t count>
QByteArray gsvSeries(const QByteArray &talker, const SkySatellite (&sky)[count])
{
    const int sentences = int(count + 3) / 4;
    QByteArray series;
    for (int sentence = 0; sentence < sentences; ++sentence) {
        QByteArray body = talker + "GSV," + QByteArray::number(sentences) + ','
            + QByteArray::number(sentence + 1) + ','
            + QByteArray::number(int(count)).rightJustified(2, '0');
        for (size_t i = size_t(sentence) * 4; i < qMin(count, size_t(sentence + 1) * 4); ++i) {
            body += QByteArray(",") + sky[i].number + ',' + sky[i].elevation + ','
                + sky[i].azimuth + ',' + sky[i].snr;
        }
        series += withChecksum(body);
    }
    return series;
}

// NMEA 4.10: one GSA per system, the system ID last.
QByteArray gsa(const QByteArrayList &used, int systemId)
{
    QByteArrayList fields = used;
    while (fields.size() < 12)
        fields << QByteArray();
    return withChecksum("GNGSA,A,3," + fields.join(',') + ",1.6,0.9,1.3,"
                        + QByteArray::number(systemId));
}

// One second of a receiver driving a circle of about 500 m around a point.
QByteArray syntheticCycle(int second)
{
    const double centreLat = 31.8454700, centreLng = 117.1988133;
    const double angle = second * 2 * M_PI / 120.0;
    const double lat = centreLat + 0.0045 * qSin(angle);
    const double lng = centreLng + 0.0053 * qCos(angle);
    const QTime time = QTime(8, 0).addSecs(second);
    const QByteArray hhmmss = time.toString(QStringLiteral("hhmmss")).toLatin1() + ".00";
    const QByteArray latText = nmeaAngle(lat, 2) + ",N";
    const QByteArray lngText = nmeaAngle(lng, 3) + ",E";
    const double knots = 14.0, kmh = knots * 1.852;
    QByteArray cycle;
    cycle += withChecksum("GPRMC," + hhmmss + ",A," + latText + "," + lngText + ","
                          + QByteArray::number(knots, 'f', 1) + ",0.0,080926,,,A");
    cycle += withChecksum("GPVTG,0.0,T,,M," + QByteArray::number(knots, 'f', 1) + ",N,"
                          + QByteArray::number(kmh, 'f', 1) + ",K,A");
    cycle += withChecksum("GNGGA," + hhmmss + "," + latText + "," + lngText
                          + ",1,16,0.9,35.0,M,0.0,M,,");
    cycle += gsa({"01", "04", "07", "08", "11", "17", "30"}, 1);
    cycle += gsa({"65", "66", "72"}, 2);
    cycle += gsa({"03", "05", "13"}, 3);
    cycle += gsa({"01", "03", "06"}, 4);
    cycle += gsvSeries("GP", kGpsSky);
    cycle += gsvSeries("GL", kGlonassSky);
    cycle += gsvSeries("GA", kGalileoSky);
    cycle += gsvSeries("BD", kBeidouSky);
    return cycle;
}

// The capture as cycles: each ends after its RMC sentence.
QList<QByteArray> captureCycles(const QString &path)
{
    QFile file(path);
    QList<QByteArray> cycles;
    if (!file.open(QIODevice::ReadOnly))
        return cycles;
    QByteArray cycle;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.startsWith('#'))
            continue;
        cycle += line;
        if (line.mid(3, 3) == "RMC") {
            cycles << cycle;
            cycle.clear();
        }
    }
    if (!cycle.isEmpty())
        cycles << cycle;
    return cycles;
}

// Picks picture frames out of what the workbench sends back.
class FrameReader
{
public:
    QString saveDir;
    int width = 320;
    int height = 240;

    void feed(const QByteArray &bytes)
    {
        m_buffer += bytes;
        for (;;) {
            const int start = m_buffer.indexOf(QByteArray("\x24\x02\xFD", 3));
            if (start < 0 || m_buffer.size() < start + 7) {
                return;
            }
            const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData() + start + 3);
            const qint64 frameSize = qint64(length) + 9;
            if (m_buffer.size() - start < frameSize)
                return;
            const QByteArray payload = m_buffer.mid(start + 7, int(length));
            const bool trailerOk = m_buffer.mid(start + 7 + int(length), 2) == "\xFD\x02";
            m_buffer.remove(0, start + int(frameSize));
            report(payload, trailerOk);
        }
    }

private:
    void report(const QByteArray &payload, bool trailerOk)
    {
        ++m_count;
        const bool jpeg = payload.startsWith("\xFF\xD8");
        QImage image;
        if (jpeg)
            image = QImage::fromData(payload, "JPG");
        else if (payload.size() == width * height * 2)
            image = QImage(reinterpret_cast<const uchar *>(payload.constData()), width, height,
                           width * 2, QImage::Format_RGB16).copy();
        const QString name = QDir(saveDir).filePath(
            QStringLiteral("gps-picture-%1.%2").arg(m_count).arg(jpeg ? "jpg" : "png"));
        bool saved = false;
        if (jpeg) {
            QFile file(name);
            saved = file.open(QIODevice::WriteOnly) && file.write(payload) == payload.size();
        } else if (!image.isNull()) {
            saved = image.save(name, "PNG");
        }
        out() << "picture frame " << m_count << ": " << payload.size() << " bytes, "
              << (jpeg ? "JPEG" : "RGB565") << (trailerOk ? "" : ", BAD TRAILER");
        if (!image.isNull())
            out() << ", " << image.width() << "x" << image.height();
        out() << (saved ? ", saved as " + name : QStringLiteral(", not saved")) << "\n"
              << Qt::flush;
    }

    QByteArray m_buffer;
    int m_count = 0;

public:
    int count() const { return m_count; }
};

int runGps(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a GPS receiver: replays an NMEA capture (lines starting with '#' are skipped) or "
        "drives a synthetic lap, one fix per cycle. Device commands given with --command are "
        "sent after the first cycle; picture frames that come back are reported and saved."));
    parser.addHelpOption();
    SimLink::addOptions(parser, true);
    parser.addOption({QStringLiteral("file"), QStringLiteral("NMEA capture to replay."),
                      QStringLiteral("path")});
    parser.addOption({QStringLiteral("rate"),
                      QStringLiteral("Cycles per second, 1 to %1 (default 1).").arg(kMaxRate),
                      QStringLiteral("hz"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("cycles"),
                      QStringLiteral("Stop after this many cycles (default: the whole file, or "
                                     "forever for the synthetic lap)."),
                      QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("command"),
                      QStringLiteral("A device command to send, without '$' and '*', e.g. "
                                     "VCLOC,3150.7282,N,11711.9288,E (repeatable)."),
                      QStringLiteral("sentence")});
    parser.addOption({QStringLiteral("save-dir"),
                      QStringLiteral("Where received pictures are saved (default: here)."),
                      QStringLiteral("dir"), QStringLiteral(".")});
    parser.process(arguments);

    const int rate = qBound(1, parser.value(QStringLiteral("rate")).toInt(), kMaxRate);
    const int maxCycles = qMax(0, parser.value(QStringLiteral("cycles")).toInt());
    QList<QByteArray> cycles;
    if (parser.isSet(QStringLiteral("file"))) {
        cycles = captureCycles(parser.value(QStringLiteral("file")));
        if (cycles.isEmpty()) {
            QTextStream(stderr) << "zentrik-sim: nothing to replay in "
                                << parser.value(QStringLiteral("file")) << "\n";
            return 1;
        }
    }

    SimLink link;
    if (!link.open(parser))
        return 1;

    FrameReader frames;
    frames.saveDir = parser.value(QStringLiteral("save-dir"));
    QList<QByteArray> commands;
    for (const QString &command : parser.values(QStringLiteral("command"))) {
        commands << command.toLatin1();
        const QList<QByteArray> fields = command.toLatin1().split(',');
        // Follow the picture size the device asks for, to decode RGB565.
        if (fields.first() == "VCSET") {
            if (fields.size() > 4 && fields.at(4).toInt() > 0)
                frames.width = fields.at(4).toInt();
            if (fields.size() > 5 && fields.at(5).toInt() > 0)
                frames.height = fields.at(5).toInt();
        }
    }
    const int picturesWanted = int(std::count_if(commands.begin(), commands.end(), [](const QByteArray &command) {
        return command.startsWith("VCLOC");
    }));
    QObject::connect(&link, &SimLink::received, [&](const QByteArray &bytes) { frames.feed(bytes); });
    QObject::connect(&link, &SimLink::closed, [] {
        out() << "the workbench closed the connection\n" << Qt::flush;
        QCoreApplication::exit(0);
    });

    int cycle = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const bool replay = !cycles.isEmpty();
        if ((maxCycles > 0 && cycle >= maxCycles) || (replay && cycle >= cycles.size())) {
            ticker.stop();
            // Pictures may still be on their way back: rendering a map takes
            // the workbench a while on a busy machine.
            QElapsedTimer waited;
            waited.start();
            auto *poll = new QTimer(&link);
            QObject::connect(poll, &QTimer::timeout, [&, poll, waited] {
                if (frames.count() < picturesWanted && waited.elapsed() < kPictureWaitMs)
                    return;
                poll->stop();
                link.disconnect();
                link.quitOnceRead();
            });
            poll->start(50);
            return;
        }
        const QByteArray bytes = replay ? cycles.at(cycle) : syntheticCycle(cycle);
        if (!link.write(bytes)) {
            QTextStream(stderr) << "zentrik-sim: the line is gone\n";
            QCoreApplication::exit(1);
            return;
        }
        if (cycle == 0) {
            for (const QByteArray &command : qAsConst(commands))
                link.write(withChecksum(command));
        }
        ++cycle;
    });
    ticker.start(1000 / rate);
    return QCoreApplication::exec();
}

} // namespace

SimMode gpsSimMode()
{
    return {QStringLiteral("gps"), QStringLiteral("GPS receiver: NMEA replay or synthetic lap, "
                                                  "device commands, picture frames"),
            &runGps};
}
