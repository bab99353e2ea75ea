// The GPS tab's widget-free parts: the sentence splitter, coordinates, the
// position record and how its fixes read, the device commands and the map's
// backlog, and what the map page hands back.
#include "devicecommands.h"
#include "gpsfix.h"
#include "gpsrecord.h"
#include "gpstrack.h"
#include "mapcoordinates.h"
#include "mapbacklog.h"
#include "mappagechecks.h"
#include "nmea.h"
#include "nmeasplitter.h"
#include "satellites.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QList<QByteArrayList> splitAll(NmeaSplitter &splitter)
{
    QList<QByteArrayList> sentences;
    for (QByteArrayList fields = splitter.next(); !fields.isEmpty(); fields = splitter.next())
        sentences << fields;
    return sentences;
}

// What a map is told, call by call.
class MapCalls : public MapTarget
{
public:
    void moveTo(const MapPoint &point) override
    {
        calls << QStringLiteral("move %1 %2").arg(point.latitude).arg(point.longitude);
    }
    void setZoom(int zoom) override { calls << QStringLiteral("zoom %1").arg(zoom); }
    void setMapType(MapType type) override
    {
        calls << (type == MapType::Satellite ? QStringLiteral("satellite")
                                             : QStringLiteral("normal"));
    }
    QStringList calls;
};

} // namespace

class TestNmea : public QObject
{
    Q_OBJECT
private slots:
    void sentenceSplitAnywhereIsParsedOnceWhenComplete();
    void splitterResynchronisesOnGarbage_data();
    void splitterResynchronisesOnGarbage();
    void chunkOfAnySizeIsParsedInOrder();
    void sentenceWithoutCommaOutlivesTheBuffer();
    void bufferStaysBounded_data();
    void bufferStaysBounded();

    void degreesFromNmea_data();
    void degreesFromNmea();
    void coordinateMustBePlainNumber_data();
    void coordinateMustBePlainNumber();
    void talkersOfAllSatelliteSystemsAreRecognised();

    void validRmcSetsPositionDateAndTime();
    void voidRmcChangesOnlyDateAndTime();
    void shortTimeAndDateFieldsAreNotReadPastTheirEnd();
    void rmcWithBadCoordinateStillSetsDateAndTime();
    void otherSentencesFillTheirParts();
    void numberFieldsTakeOnlyNumbers();
    void positionsBeyondTheEarthAreRefused();
    void satellitesInViewAddUpAcrossTalkersStillHeard();
    void satelliteSystemsFromTalkerNumberOrSystemId();
    void crowdedSkyPointsAreNudgedApart();
    void skyKeepsWhatGsvAndGsaSayWithinBounds();
    void ggaQualityNamesTheFix();
    void trackMakesOnePointPerEpochAndWritesGpx();

    void deviceSettingsBounds();
    void rgb565FrameLayout();
    void jpegFramePayloadIsTheFile();
    void mapPictureIsCentredWithLogo();
    void fileRequestStaysInsideWorkingDirectory_data();
    void fileRequestStaysInsideWorkingDirectory();
    void mapBacklogKeepsTheRecentTrackAndLastSettings();
    void coordinatesForTheKeyedMap();
    void mapPageRepliesAreChecked();
};

void TestNmea::sentenceSplitAnywhereIsParsedOnceWhenComplete()
{
    const QByteArray sentence = "$GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5*33\r\n";
    for (int cut = 0; cut <= sentence.size(); ++cut) {
        NmeaSplitter splitter;
        splitter.append(sentence.left(cut));
        const auto before = splitAll(splitter);
        splitter.append(sentence.mid(cut));
        const auto after = splitAll(splitter);
        const int starAt = sentence.indexOf('*');
        QCOMPARE(before.size() + after.size(), 1);
        QCOMPARE(before.size(), cut > starAt ? 1 : 0);
        const QByteArrayList fields = before.isEmpty() ? after.first() : before.first();
        QCOMPARE(fields.size(), 18);
        QCOMPARE(fields.at(0), QByteArray("GPGSA"));
        QCOMPARE(fields.at(2), QByteArray("3"));
        QCOMPARE(fields.at(17), QByteArray("1.5"));
    }
}

void TestNmea::splitterResynchronisesOnGarbage_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArrayList>("names");
    QTest::newRow("truncated line first") << QByteArray(",1.7,-30.40,M,*7D\r\n$GPGSA,A,3*00\r\n")
                                          << QByteArrayList{"GPGSA"};
    QTest::newRow("zero bytes dropped") << QByteArray("$GP\0GGA,1*00$GPVTG,2*11", 23)
                                        << QByteArrayList{"GPVTG"};
    QTest::newRow("dollar right before star") << QByteArray("$*$GPRMC,x*00")
                                              << QByteArrayList{"GPRMC"};
    QTest::newRow("empty fields kept") << QByteArray("$GPGLL,,,,*00")
                                       << QByteArrayList{"GPGLL"};
    QTest::newRow("three in a row") << QByteArray("$A*1$B,1*2\r\n$C,,*3")
                                    << QByteArrayList{"A", "B", "C"};
}

void TestNmea::splitterResynchronisesOnGarbage()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArrayList, names);
    NmeaSplitter splitter;
    splitter.append(stream);
    QByteArrayList seen;
    for (const QByteArrayList &fields : splitAll(splitter))
        seen << fields.first();
    QCOMPARE(seen, names);
}

void TestNmea::chunkOfAnySizeIsParsedInOrder()
{
    // A fast receiver's backlog in one read, with a zero byte after the
    // last complete sentence: nothing before it is lost.
    QByteArray chunk;
    for (int i = 0; i < 2000; ++i)
        chunk += "$GPGSV,9,1," + QByteArray::number(i) + ",,*00\r\n";
    chunk += QByteArray("$GPVTG,\0", 8) + "$GPGSA,A,3*00";
    NmeaSplitter splitter;
    splitter.append(chunk);
    const auto sentences = splitAll(splitter);
    QCOMPARE(sentences.size(), 2001);
    for (int i = 0; i < 2000; ++i)
        QCOMPARE(sentences.at(i).at(3), QByteArray::number(i));
    QCOMPARE(sentences.last(), (QByteArrayList{"GPGSA", "A", "3"}));
}

void TestNmea::sentenceWithoutCommaOutlivesTheBuffer()
{
    // Fuzz input 1e00030036410d0a244750524d432a: the reads "6A\r\n" and
    // "$GPRMC*", the second sentence ending on the last byte buffered.
    NmeaSplitter splitter;
    splitter.append("6A\r\n");
    QVERIFY(splitAll(splitter).isEmpty());
    splitter.append("$GPRMC*");
    const QByteArrayList fields = splitter.next();
    QCOMPARE(fields, QByteArrayList{"GPRMC"});
    QCOMPARE(sentenceKind(fields.first()), SentenceKind::Rmc);
}

void TestNmea::bufferStaysBounded_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::newRow("no star") << "$GPGGA,123456.00,4002.10,N" + QByteArray(900, 'x');
    QTest::newRow("star, no dollar") << '*' + QByteArray(1023, 'x');
    QTest::newRow("stars, no dollar") << QByteArray("x*").repeated(512);
}

void TestNmea::bufferStaysBounded()
{
    QFETCH(QByteArray, read);
    NmeaSplitter splitter;
    for (int i = 0; i < 100; ++i) {
        splitter.append(read);
        QVERIFY(splitAll(splitter).isEmpty());
        QVERIFY(splitter.pendingSize() <= NmeaSplitter::kMaxPending);
    }
    // A sentence after the noise still comes through.
    splitter.append("\r\n$GPGSA,A,2*00");
    const auto sentences = splitAll(splitter);
    QCOMPARE(sentences.size(), 1);
    QCOMPARE(sentences.first().first(), QByteArray("GPGSA"));
}

void TestNmea::degreesFromNmea_data()
{
    QTest::addColumn<QByteArray>("nmea");
    QTest::addColumn<QByteArray>("degrees");
    QTest::newRow("latitude") << QByteArray("3150.7282") << QByteArray("31.8454700");
    QTest::newRow("longitude") << QByteArray("11711.9288") << QByteArray("117.1988133");
    QTest::newRow("five fraction digits") << QByteArray("4002.10513") << QByteArray("40.0350855");
    QTest::newRow("more digits ignored") << QByteArray("4002.1051399") << QByteArray("40.0350855");
    QTest::newRow("no fraction") << QByteArray("0000.") << QByteArray("00.0000000");
    QTest::newRow("largest minutes") << QByteArray("8959.99999") << QByteArray("89.9999998");
    QTest::newRow("western longitude") << QByteArray("07531.20562") << QByteArray("075.5200936");
}

void TestNmea::degreesFromNmea()
{
    QFETCH(QByteArray, nmea);
    QFETCH(QByteArray, degrees);
    QVERIFY(isNmeaCoordinate(nmea));
    QCOMPARE(nmeaToDegrees(nmea), degrees);
}

void TestNmea::coordinateMustBePlainNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("script") << QByteArray("3150.7282);alert(1");
    QTest::newRow("script in degrees") << QByteArray("x);1.2");
    QTest::newRow("two dots") << QByteArray("3150.72.82");
    QTest::newRow("sign") << QByteArray("-150.7282");
    QTest::newRow("no dot") << QByteArray("31507282");
    QTest::newRow("dot too early") << QByteArray("31.507282");
    QTest::newRow("minutes over 59") << QByteArray("3160.0000");
    QTest::newRow("blank") << QByteArray("3150.72 2");
}

void TestNmea::coordinateMustBePlainNumber()
{
    QFETCH(QByteArray, text);
    QVERIFY(!isNmeaCoordinate(text));
}

void TestNmea::talkersOfAllSatelliteSystemsAreRecognised()
{
    for (const char *talker : {"GP", "GN", "GL", "GA", "GB", "BD"}) {
        const QByteArray t(talker);
        QCOMPARE(sentenceKind(t + "RMC"), SentenceKind::Rmc);
        QCOMPARE(sentenceKind(t + "VTG"), SentenceKind::Vtg);
        QCOMPARE(sentenceKind(t + "GGA"), SentenceKind::Gga);
        QCOMPARE(sentenceKind(t + "GSA"), SentenceKind::Gsa);
        QCOMPARE(sentenceKind(t + "GSV"), SentenceKind::Gsv);
        QCOMPARE(sentenceKind(t + "GLL"), SentenceKind::Gll);
    }
    QCOMPARE(sentenceKind("GPZDA"), SentenceKind::Other);
    QCOMPARE(sentenceKind("XXRMC"), SentenceKind::Other);
    QCOMPARE(sentenceKind("gprmc"), SentenceKind::Other);
    QCOMPARE(sentenceKind("VCLOC"), SentenceKind::DeviceLocate);
    QCOMPARE(sentenceKind("VCFLE"), SentenceKind::DeviceFile);
    QCOMPARE(sentenceKind("VCLOCX"), SentenceKind::Other);
}

void TestNmea::validRmcSetsPositionDateAndTime()
{
    GpsRecord record;
    const GpsFix fix = record.applyRmc(
        QByteArray("GPRMC,235959.12,A,3150.7282,S,11711.9288,E,0.0,0.0,311214,,").split(','));
    QVERIFY(fix.position);
    QCOMPARE(record.latitude(), QByteArray("-31.8454700"));
    QCOMPARE(record.longitude(), QByteArray("117.1988133"));
    QCOMPARE(fix.position->point().latitude, -31.84547);
    QCOMPARE(fix.position->point().longitude, 117.1988133);
    QCOMPARE(FixText::coordinate(fix.position->latitude), QStringLiteral("-31.8454700S"));
    QCOMPARE(FixText::degreesMinutes(fix.position->latitude), QStringLiteral("=31°50.7282'S"));
    QCOMPARE(FixText::coordinate(fix.position->longitude), QStringLiteral("117.1988133E"));
    QCOMPARE(FixText::degreesMinutes(fix.position->longitude), QStringLiteral("=117°11.9288'E"));
    QCOMPARE(FixText::date(*fix.utcDate), QStringLiteral("2014年12月31日"));
    QCOMPARE(FixText::time(*fix.utcTime), QStringLiteral("23时59分59.120秒"));
    // Eight hours later it is already the next year.
    const QDateTime utc8 = FixText::utcPlus8(*fix.utc);
    QCOMPARE(FixText::date(utc8.date()), QStringLiteral("2015年01月01日"));
    QCOMPARE(FixText::time(utc8.time()), QStringLiteral("07时59分59.120秒"));
}

void TestNmea::voidRmcChangesOnlyDateAndTime()
{
    GpsRecord record;
    const GpsFix fix = record.applyRmc(
        QByteArray("GPRMC,030851.00,V,3150.7282,N,11711.9288,E,,,100806,,,N").split(','));
    QVERIFY(!fix.position);
    QVERIFY(!record.hasPosition());
    QCOMPARE(record.latitude(), QByteArray("0"));
    QCOMPARE(*fix.utcDate, QDate(2006, 8, 10));
    QCOMPARE(*fix.utcTime, QTime(3, 8, 51));
    QCOMPARE(*fix.utc, QDateTime(QDate(2006, 8, 10), QTime(3, 8, 51), Qt::UTC));
}

void TestNmea::shortTimeAndDateFieldsAreNotReadPastTheirEnd()
{
    GpsRecord record;
    // Hundredths absent: zero; a time or date too short to hold hhmmss or
    // ddmmyy is absent and leaves the last one standing.
    GpsFix fix = record.applyRmc(QByteArray("GPRMC,120000,V,,,,,,,010120").split(','));
    QCOMPARE(FixText::time(*fix.utcTime), QStringLiteral("12时00分00.000秒"));
    fix = record.applyRmc(QByteArray("GPRMC,120001.5,V,,,,,,,0101").split(','));
    QCOMPARE(FixText::time(*fix.utcTime), QStringLiteral("12时00分01.500秒"));
    QVERIFY(!fix.utcDate);
    fix = record.applyRmc(QByteArray("GPRMC,1200,V,,,,,,,").split(','));
    QVERIFY(!fix.utcTime);
    QCOMPARE(record.utcTime(), QTime(12, 0, 1, 500));
    QCOMPARE(record.utcDate(), QDate(2020, 1, 1));
    // A sentence cut short after its name: only the UTC+8 time from what is
    // known.
    fix = record.applyRmc(QByteArrayList{"GPRMC"});
    QVERIFY(!fix.position && !fix.utcDate && !fix.utcTime);
    QCOMPARE(*fix.utc, QDateTime(QDate(2020, 1, 1), QTime(12, 0, 1, 500), Qt::UTC));
}

void TestNmea::rmcWithBadCoordinateStillSetsDateAndTime()
{
    GpsRecord record;
    const GpsFix fix = record.applyRmc(
        QByteArrayList{"GPRMC", "120000.00", "A", "3150.7282);alert(1", "N", "11711.9288", "E",
                       "", "", "010120"});
    QVERIFY(!fix.position);
    QVERIFY(!record.hasPosition());
    QCOMPARE(FixText::date(*fix.utcDate), QStringLiteral("2020年01月01日"));
    QCOMPARE(FixText::time(*fix.utcTime), QStringLiteral("12时00分00.000秒"));
}

void TestNmea::otherSentencesFillTheirParts()
{
    GpsRecord record;
    const QByteArray kmh = *record.applyVtg(QByteArray("GPVTG,,T,,M,0.016,N,36.0,K,A").split(','))
                                .speedKmh;
    QCOMPARE(FixText::metresPerSecond(kmh), QStringLiteral("10.000m/s"));
    QCOMPARE(FixText::kilometresPerHour(kmh), QStringLiteral("=36.0km/h"));
    GpsFix fix = record.applyGga(
        QByteArray("GPGGA,143252.00,4002.10513,N,07531.20562,W,1,07,1.72,183.8,M,-34.4,M,,")
            .split(','));
    QCOMPARE(FixText::altitude(*fix.altitudeMetres), QStringLiteral("183.8米"));
    QCOMPARE(*fix.satellitesInUse, QByteArray("07"));
    fix = record.applyGga(QByteArray("GPGGA,030851.00,,,,,0,,9.93,,,,,,").split(','));
    QCOMPARE(FixText::altitude(*fix.altitudeMetres), QStringLiteral("米"));
    QVERIFY(!fix.satellitesInUse);
    QCOMPARE(FixText::mode(*record.applyGsa({"GPGSA", "A", "1"}).mode), QStringLiteral("未定位"));
    QCOMPARE(FixText::mode(*record.applyGsa({"GPGSA", "A", "2"}).mode), QStringLiteral("2D定位"));
    QCOMPARE(FixText::mode(*record.applyGsa({"GPGSA", "A", "3"}).mode), QStringLiteral("3D定位"));
    QVERIFY(!record.applyGsa({"GPGSA", "A", "9"}).mode);
}

void TestNmea::numberFieldsTakeOnlyNumbers()
{
    GpsRecord record;
    const QByteArray markup = "<img src=\"/some/file.png\">";
    for (const QByteArray &bad : {markup, QByteArray("1.2.3"), QByteArray("--1"),
                                  QByteArray("1e5"), QByteArray("."), QByteArray(17, '1')}) {
        GpsFix fix = record.applyGga({"GPGGA", "", "", "", "", "", "1", bad, "", bad});
        QVERIFY2(!fix.altitudeMetres && !fix.satellitesInUse, bad.constData());
        QVERIFY(!record.applyVtg({"GPVTG", "", "", "", "", "", "", bad}).speedKmh);
        QVERIFY(!record.applyGsv({"GPGSV", "1", "1", bad}).satellitesInView);
    }
    const GpsFix fix = record.applyGga({"GPGGA", "", "", "", "", "", "1", "+07", "", "-12.5"});
    QCOMPARE(*fix.altitudeMetres, QByteArray("-12.5"));
    QCOMPARE(*fix.satellitesInUse, QByteArray("+07"));
    QCOMPARE(*record.applyVtg({"GPVTG", "", "", "", "", "", "", "36."}).speedKmh, QByteArray("36."));
}

void TestNmea::positionsBeyondTheEarthAreRefused()
{
    NmeaPosition position;
    QVERIFY(readPosition({"", "9000.0000", "S", "18000.0000", "W"}, 1, &position));
    QCOMPARE(position.latitude, QByteArray("-90.0000000"));
    QCOMPARE(position.longitude, QByteArray("-180.0000000"));
    QVERIFY(!readPosition({"", "9000.0001", "N", "00000.0", "E"}, 1, &position));
    QVERIFY(!readPosition({"", "0000.0", "N", "18000.001", "E"}, 1, &position));
    // Found by fuzzing: it moved the map to -310.8°.
    QVERIFY(!parseDevicePosition(QByteArray("VCPLO,31050.,,1711.").split(',')));
    GpsRecord record;
    QVERIFY(!record.applyRmc(QByteArray("GPRMC,,A,31050.,N,1711.,E").split(',')).position);
    QVERIFY(!record.hasPosition());
}

void TestNmea::satellitesInViewAddUpAcrossTalkersStillHeard()
{
    qint64 now = 0;
    GpsRecord record([&now] { return now; });
    const auto inView = [&record](const QByteArrayList &gsv) {
        return record.applyGsv(gsv).satellitesInView.value_or("none");
    };
    QCOMPARE(inView({"GPGSV", "3", "1", "11"}), QByteArray("11"));
    QCOMPARE(inView({"GLGSV", "2", "1", "07"}), QByteArray("18"));
    QCOMPARE(inView({"GPGSV", "3", "2", "12"}), QByteArray("19"));
    QCOMPARE(inView({"BDGSV", "1", "1", ""}), QByteArray("none"));
    // GLONASS falls silent: it counts until its last GSV is too old.
    now = GpsRecord::kInViewExpiryMs;
    QCOMPARE(inView({"GPGSV", "3", "1", "12"}), QByteArray("19"));
    now += 1;
    QCOMPARE(inView({"GPGSV", "3", "1", "12"}), QByteArray("12"));
    QCOMPARE(inView({"GLGSV", "2", "1", "07"}), QByteArray("19"));
    record.forgetSatellitesInView();
    QCOMPARE(inView({"GPGSV", "3", "1", "12"}), QByteArray("12"));
    // Counts beyond three digits are refused, and however many talkers
    // there are the sum stays there too.
    QCOMPARE(inView({"GPGSV", "1", "1", "2147483647"}), QByteArray("none"));
    QCOMPARE(inView({"GPGSV", "1", "1", "1000"}), QByteArray("none"));
    QCOMPARE(inView({"GPGSV", "1", "1", "-1"}), QByteArray("none"));
    for (const QByteArray talker : {"GP", "GL", "GA", "GB", "GQ", "BD", "GN"})
        inView({talker + "GSV", "1", "1", "999"});
    QCOMPARE(inView({"GNGSV", "1", "1", "999"}), QByteArray("999"));
}

void TestNmea::deviceSettingsBounds()
{
    DeviceSettings settings = parseDeviceSettings({"VCSET", "20", "X", "BMP", "0", "-5"});
    QVERIFY(!settings.zoom);
    QVERIFY(!settings.mapType);
    QVERIFY(!settings.pictureFormat);
    QVERIFY(!settings.pictureWidth);
    QVERIFY(!settings.pictureHeight);
    settings = parseDeviceSettings({"VCSET", "3", "N", "JPG", "640", "480"});
    QCOMPARE(*settings.zoom, 3);
    QCOMPARE(*settings.mapType, MapType::Normal);
    QCOMPARE(*settings.pictureFormat, PictureFormat::Jpeg);
    QCOMPARE(*settings.pictureWidth, 640);
    QCOMPARE(*settings.pictureHeight, 480);
    settings = parseDeviceSettings({"VCSET", "19", "S", "RGB565", "70000"});
    QCOMPARE(*settings.zoom, 19);
    QCOMPARE(*settings.mapType, MapType::Satellite);
    QCOMPARE(*settings.pictureFormat, PictureFormat::Rgb565);
    QVERIFY(!settings.pictureWidth); // would need gigabytes
    QVERIFY(!parseDeviceSettings({"VCSET"}).zoom);
}

void TestNmea::rgb565FrameLayout()
{
    QImage image(320, 240, QImage::Format_ARGB32);
    image.fill(qRgb(0xFF, 0x80, 0x08));
    image.setPixel(1, 0, qRgb(0x00, 0x00, 0xFF));
    const QByteArray frame = pictureFrame(rgb565Payload(image));
    QCOMPARE(frame.size(), 153609);
    QCOMPARE(frame.left(3), QByteArray("\x24\x02\xFD"));
    QCOMPARE(frame.mid(3, 4), QByteArray("\x00\x58\x02\x00", 4)); // 153600
    QCOMPARE(frame.right(2), QByteArray("\xFD\x02"));
    // 0xFF8008 → 0xFC01 (red 31, green 32, blue 1), low byte first.
    QCOMPARE(frame.mid(7, 2), QByteArray("\x01\xFC"));
    QCOMPARE(frame.mid(9, 2), QByteArray("\x1F\x00", 2));
}

void TestNmea::jpegFramePayloadIsTheFile()
{
    const QByteArray jpeg = "\xFF\xD8 not really a picture \xFF\xD9";
    const QByteArray frame = pictureFrame(jpeg);
    QCOMPARE(frame.size(), jpeg.size() + 9);
    QCOMPARE(quint8(frame.at(3)), quint8(jpeg.size()));
    QCOMPARE(frame.mid(7, jpeg.size()), jpeg);
}

void TestNmea::mapPictureIsCentredWithLogo()
{
    QImage rendered(100, 80, QImage::Format_ARGB32);
    rendered.fill(Qt::white);
    rendered.setPixel(19, 14, qRgb(255, 0, 0)); // the cut-out's top-left corner
    QImage logo(10, 5, QImage::Format_ARGB32);
    logo.fill(Qt::blue);
    const QImage picture = mapPicture(rendered, 60, 50, logo);
    QCOMPARE(picture.size(), QSize(60, 50));
    QCOMPARE(QColor(picture.pixel(0, 0)), QColor(Qt::red));
    QCOMPARE(QColor(picture.pixel(0, 49)), QColor(Qt::blue));
    QCOMPARE(QColor(picture.pixel(9, 45)), QColor(Qt::blue));
    QCOMPARE(QColor(picture.pixel(10, 49)), QColor(Qt::white));
    QCOMPARE(QColor(picture.pixel(0, 44)), QColor(Qt::white));
    // A rendering exactly the picture's size is taken whole.
    QCOMPARE(QColor(mapPicture(rendered, 100, 80, QImage()).pixel(19, 14)), QColor(Qt::red));
}

void TestNmea::fileRequestStaysInsideWorkingDirectory_data()
{
    QTest::addColumn<QByteArrayList>("fields");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QString>("relativePath");
    using R = FileRequest;
    QTest::newRow("plain") << QByteArrayList{"VCFLE", "3", "a.txt"} << int(R::Accepted) << "a.txt";
    QTest::newRow("subfolder") << QByteArrayList{"VCFLE", "3", "d/./b.bin"} << int(R::Accepted)
                               << "d/b.bin";
    QTest::newRow("inner dotdot") << QByteArrayList{"VCFLE", "0", "d/../c"} << int(R::Accepted)
                                  << "c";
    QTest::newRow("absolute") << QByteArrayList{"VCFLE", "3", "/tmp/x"} << int(R::BadPath) << "";
    QTest::newRow("escape") << QByteArrayList{"VCFLE", "3", "../x"} << int(R::BadPath) << "";
    QTest::newRow("deep escape") << QByteArrayList{"VCFLE", "3", "d/../../x"} << int(R::BadPath)
                                 << "";
    QTest::newRow("directory itself") << QByteArrayList{"VCFLE", "3", "."} << int(R::BadPath) << "";
    QTest::newRow("drive") << QByteArrayList{"VCFLE", "3", "C:\\x"} << int(R::BadPath) << "";
    QTest::newRow("no path") << QByteArrayList{"VCFLE", "3"} << int(R::BadPath) << "";
    QTest::newRow("too long") << QByteArrayList{"VCFLE", "3", QByteArray(1025, 'a')}
                              << int(R::BadPath) << "";
    QTest::newRow("negative size") << QByteArrayList{"VCFLE", "-1", "a"} << int(R::BadSize) << "";
    QTest::newRow("huge size") << QByteArrayList{"VCFLE", "16777217", "a"} << int(R::BadSize) << "";
    QTest::newRow("size text") << QByteArrayList{"VCFLE", "ten", "a"} << int(R::BadSize) << "";
    QTest::newRow("hidden") << QByteArrayList{"VCFLE", "3", "gpx\xe2\x80\xaetxt.exe"}
                            << int(R::HiddenPath) << "";
    QTest::newRow("8 levels") << QByteArrayList{"VCFLE", "3", "1/2/3/4/5/6/7/8/f"}
                              << int(R::Accepted) << "1/2/3/4/5/6/7/8/f";
    QTest::newRow("9 levels") << QByteArrayList{"VCFLE", "3", "1/2/3/4/5/6/7/8/9/f"}
                              << int(R::TooDeep) << "";
}

void TestNmea::fileRequestStaysInsideWorkingDirectory()
{
    QFETCH(QByteArrayList, fields);
    QFETCH(int, refusal);
    QFETCH(QString, relativePath);
    const FileRequest request = parseFileRequest(fields);
    QCOMPARE(int(request.refusal), refusal);
    QCOMPARE(request.relativePath, relativePath);
}

void TestNmea::mapBacklogKeepsTheRecentTrackAndLastSettings()
{
    MapBacklog backlog;
    const auto move = [](int i) { return QStringLiteral("move %1 0").arg(i); };
    backlog.setZoom(3);
    for (int i = 0; i < 2000; ++i) {
        backlog.moveTo({double(i), 0});
        backlog.moveTo({double(i), 0}); // a receiver standing still
    }
    backlog.setMapType(MapType::Satellite);
    backlog.setZoom(15);

    MapCalls map;
    backlog.replayInto(map);
    QCOMPARE(map.calls.size(), MapBacklog::kTrackLength + 2);
    QCOMPARE(map.calls.first(), move(2000 - MapBacklog::kTrackLength));
    QCOMPARE(map.calls.mid(MapBacklog::kTrackLength - 1),
             (QStringList{move(1999), "satellite", "zoom 15"}));
    QVERIFY(backlog.isEmpty());
    MapCalls again;
    backlog.replayInto(again);
    QVERIFY(again.calls.isEmpty());
}

void TestNmea::coordinatesForTheKeyedMap()
{
    // The example figures published with the widely used open-source
    // implementation of these conversions (the coordtransform project's
    // README), for the point 116.404 E, 39.915 N.
    const MapPoint beijing{39.915, 116.404};
    const MapPoint gcj = wgs84ToGcj02(beijing);
    QVERIFY(qAbs(gcj.longitude - 116.41024449916938) < 1e-9);
    QVERIFY(qAbs(gcj.latitude - 39.91640428150164) < 1e-9);
    const MapPoint bd = gcj02ToBd09(beijing);
    QVERIFY(qAbs(bd.longitude - 116.41036949371029) < 1e-9);
    QVERIFY(qAbs(bd.latitude - 39.92133699351021) < 1e-9);

    // The whole way is both steps; a fix abroad is left as it is.
    QCOMPARE(wgs84ToBd09(beijing), gcj02ToBd09(gcj));
    const MapPoint paris{48.8566, 2.3522};
    QCOMPARE(wgs84ToBd09(paris), paris);
    QVERIFY(!isInsideChina(paris));
}

void TestNmea::mapPageRepliesAreChecked()
{
    QCOMPARE(MapPageChecks::settledOnline("settled 7 online", 7), std::optional<bool>(true));
    QCOMPARE(MapPageChecks::settledOnline("settled 7 offline", 7), std::optional<bool>(false));
    for (const char *title : {"settled 6 online", "settled 7 onlinex", "settled  7 online",
                              "settled +7 online", "settled 07 online",
                              "settled 7", "map"})
        QVERIFY2(!MapPageChecks::settledOnline(title, 7), title);

    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QString url = "data:image/png;base64," + QString::fromLatin1(png.toBase64());
    QCOMPARE(MapPageChecks::snapshot(url, QSize(4, 3)).pixelColor(3, 2), QColor(Qt::red));
    QVERIFY(MapPageChecks::snapshot(url, QSize(40, 30)).isNull());
    QVERIFY(MapPageChecks::snapshot("data:image/gif;base64,R0lG", QSize(4, 3)).isNull());

    // Only the page's own fields, each of its type and on the earth.
    const QJsonObject state = QJsonDocument::fromJson(
        MapPageChecks::exportedState(
            R"({"lng":"1);alert(1","lat":95,"zoom":5,"hasFix":true,"evil":1,
                "track":[{"lng":1,"lat":2,"x":3},{"lng":500,"lat":0},7]})")
            .toUtf8()).object();
    QCOMPARE(state.value("lng").toDouble(), 116.4035);
    QCOMPARE(state.value("lat").toDouble(), 39.915);
    QCOMPARE(state.value("zoom").toInt(), 5);
    QCOMPARE(state.value("hasFix").toBool(), true);
    QVERIFY(!state.contains("evil"));
    QCOMPARE(state.value("track").toArray(), QJsonArray({QJsonObject{{"lng", 1}, {"lat", 2}}}));
    // Found by fuzzing: a repeated key leaked in Qt's parser; such text is
    // not parsed, the page's starting values stand.
    const QString repeated = MapPageChecks::exportedState(
        R"({"zoom":5,"track":[{"lng":7,"lat":3}],"track":[{"lng":7,"lat":3}]})");
    QCOMPARE(QJsonDocument::fromJson(repeated.toUtf8()).object().value("zoom").toInt(), 12);

    const QString tiles = "http://127.0.0.1:8080/{z}/{x}/{y}.png";
    QVERIFY(MapPageChecks::mayFetch(QUrl("http://127.0.0.1:8080/3/1/2.png"), tiles, false));
    QVERIFY(MapPageChecks::mayFetch(QUrl("qrc:/map/leaflet.css"), tiles, false));
    QVERIFY(!MapPageChecks::mayFetch(QUrl("http://127.0.0.1:8081/x"), tiles, false));
    QVERIFY(!MapPageChecks::mayFetch(QUrl("file:///etc/passwd"), tiles, false));
    QVERIFY(!MapPageChecks::mayFetch(QUrl("https://elsewhere.example/"), tiles, false));
    QVERIFY(MapPageChecks::mayFetch(QUrl("https://elsewhere.example/"), tiles, true));
    QVERIFY(!MapPageChecks::mayFetch(QUrl("file:///etc/passwd"), tiles, true));
}

namespace {

// A GSA of up to 12 satellites with its DOPs and, if given, its system ID.
QByteArrayList gsa(const QByteArray &talker, QByteArrayList numbers, const QByteArray &dops,
                   const QByteArray &systemId = QByteArray())
{
    QByteArrayList fields{talker + "GSA", "A", "3"};
    while (numbers.size() < 12)
        numbers << QByteArray();
    fields << numbers << dops.split(',');
    if (!systemId.isNull())
        fields << systemId;
    return fields;
}

QString describe(const Satellite &s)
{
    return QStringLiteral("%1/%2 el %3 az %4 snr %5%6")
        .arg(int(s.system))
        .arg(s.number)
        .arg(s.elevation)
        .arg(s.azimuth)
        .arg(s.snr)
        .arg(s.used ? " used" : "");
}

QStringList describeSky(const GpsRecord &record)
{
    QStringList sky;
    for (const Satellite &satellite : record.sky().satellites())
        sky << describe(satellite);
    return sky;
}

} // namespace

void TestNmea::satelliteSystemsFromTalkerNumberOrSystemId()
{
    using S = SatelliteSystem;
    const struct
    {
        const char *talker;
        int number;
        S system;
    } cases[] = {{"GP", 1, S::Gps},       {"GP", 32, S::Gps},      {"GP", 33, S::Sbas},
                 {"GP", 64, S::Sbas},     {"GN", 65, S::Glonass},  {"GN", 96, S::Glonass},
                 {"GN", 97, S::Other},    {"GN", 120, S::Sbas},    {"GN", 158, S::Sbas},
                 {"GN", 193, S::Qzss},    {"GN", 200, S::Qzss},    {"GN", 201, S::BeiDou},
                 {"GP", 237, S::BeiDou},  {"GN", 238, S::Other},   {"GN", 301, S::Galileo},
                 {"GN", 437, S::BeiDou},
                 {"GN", 0, S::Other},     {"GL", 5, S::Glonass},   {"GA", 5, S::Galileo},
                 {"GB", 5, S::BeiDou},    {"BD", 5, S::BeiDou},    {"GQ", 5, S::Qzss}};
    for (const auto &c : cases)
        QVERIFY2(systemOfTalker(c.talker, c.number) == c.system, c.talker);
    QVERIFY(systemOfGsaId("1") == S::Gps);
    QVERIFY(systemOfGsaId("2") == S::Glonass);
    QVERIFY(systemOfGsaId("3") == S::Galileo);
    QVERIFY(systemOfGsaId("4") == S::BeiDou);
    QVERIFY(systemOfGsaId("5") == S::Qzss);
    QVERIFY(systemOfGsaId("6") == S::Other);
    QVERIFY(systemOfGsaId("1x") == S::Other);
    QVERIFY(sentenceKind("GQGSV") == SentenceKind::Gsv);
}

void TestNmea::skyKeepsWhatGsvAndGsaSayWithinBounds()
{
    qint64 now = 0;
    GpsRecord record([&now] { return now; });
    record.applyGsv({"GPGSV", "1", "1", "03", "05", "45", "090", "40", "46", "30", "200", "",
                     "07", "", "", "35"});
    // NMEA 4.10 closes with the signal ID; a second signal of the same
    // satellite moves it but keeps the first signal's SNR.
    record.applyGsv({"GAGSV", "1", "1", "01", "05", "10", "359", "30", "7"});
    record.applyGsv({"GAGSV", "1", "1", "01", "05", "11", "359", "22", "1"});
    // What is out of range or not a number is as if empty; no number, no satellite.
    record.applyGsv({"GLGSV", "1", "1", "02", "70", "91", "400", "<b>", "", "10", "10", "10"});
    QCOMPARE(describeSky(record), QStringList({"0/5 el 45 az 90 snr 40", "0/7 el -1 az -1 snr 35",
                                               "1/70 el -1 az -1 snr -1", "2/5 el 11 az 359 snr 30",
                                               "5/46 el 30 az 200 snr -1"}));

    // One GSA per system in an epoch: the used satellites are their union.
    GpsFix fix = record.applyGsa(gsa("GN", {"05", "07"}, "1.6,0.9,1.3", "1"));
    record.applyGsa(gsa("GN", {"05"}, "1.6,0.9,1.3", "3"));
    QCOMPARE(*fix.pdop + ' ' + *fix.hdop + ' ' + *fix.vdop, QByteArray("1.6 0.9 1.3"));
    QCOMPARE(record.sky().satellites().at(0).used, true);
    QCOMPARE(record.sky().satellites().at(1).used, true);
    QCOMPARE(record.sky().satellites().at(3).used, true);
    QCOMPARE(record.sky().satellites().at(4).used, false);
    // The next epoch's first GSA starts afresh; without a system ID the
    // numbers tell the system. Empty DOPs are shown as none, others not at all.
    record.applyOther();
    fix = record.applyGsa(gsa("GN", {"46"}, ",,<i>1</i>"));
    QCOMPARE(describeSky(record).filter("used"), QStringList({"5/46 el 30 az 200 snr -1 used"}));
    QCOMPARE(FixText::dop(*fix.pdop), QStringLiteral("-"));
    QVERIFY(!fix.vdop);

    // Ten seconds of silence and they are gone, used or not.
    now = SkyModel::kExpiryMs;
    QVERIFY(!record.expireSky());
    now += 1;
    QVERIFY(record.expireSky());
    QCOMPARE(record.sky().size(), 0);

    // However many a device claims, the sky keeps its bound.
    for (int number = 1; number <= 400; number += 4) {
        QByteArrayList gsv{"GNGSV", "1", "1", "99"};
        for (int k = 0; k < 4; ++k)
            gsv << QByteArray::number(number + k) << "10" << "10" << "10";
        record.applyGsv(gsv);
    }
    QCOMPARE(record.sky().size(), SkyModel::kMaxSatellites);
    record.forgetSatellitesInView();
    QCOMPARE(record.sky().size(), 0);
}

void TestNmea::ggaQualityNamesTheFix()
{
    GpsRecord record;
    const QStringList names{"无定位", "GPS",  "DGPS", "PPS", "RTK固定",
                            "RTK浮动", "估算", "手动输入", "模拟"};
    for (int quality = 0; quality < names.size(); ++quality) {
        const GpsFix fix = record.applyGga({"GPGGA", "", "", "", "", "", QByteArray::number(quality)});
        QCOMPARE(FixText::quality(*fix.quality), names.at(quality));
    }
    for (const QByteArray unknown : {"9", "", "11", "<"})
        QVERIFY(!record.applyGga({"GPGGA", "", "", "", "", "", unknown}).quality);
}

void TestNmea::trackMakesOnePointPerEpochAndWritesGpx()
{
    GpsTrack track(3);
    // Before any date a point has no time.
    track.applyGga({"GPGGA", "235959.50", "3150.7282", "N", "11711.9288", "E", "1", "08", "1.1",
                    "35.2", "M"});
    track.applyRmc({"GPRMC", "235959.50", "A", "3150.7282", "N", "11711.9288", "E", "0", "0", ""});
    track.applyRmc({"GPRMC", "235959.90", "A", "3150.7283", "S", "11711.9289", "W", "0", "0",
                    "311214"});
    track.applyGga({"GPGGA", "235959.90", "3150.7283", "S", "11711.9289", "W", "2", "10", "0.8",
                    "-3.5", "M"});
    // Epochs without a fix make no point.
    track.applyRmc({"GPRMC", "000000.00", "V", "3150.7283", "S", "11711.9289", "W", "0", "0", ""});
    track.applyGga({"GPGGA", "000000.00", "3150.7283", "S", "11711.9289", "W", "0", "10"});
    // Past midnight without a date of its own: the next day.
    track.applyGga({"GPGGA", "000001.00", "0000.0000", "N", "00000.0000", "E", "1", "", "", ""});
    QCOMPARE(track.size(), 3);
    // Full: said once, and nothing more is kept.
    QVERIFY(track.applyGga({"GPGGA", "000002.00", "0000.0000", "N", "00000.0000", "E", "1"}));
    QVERIFY(!track.applyGga({"GPGGA", "000003.00", "0000.0000", "N", "00000.0000", "E", "1"}));
    QCOMPARE(track.size(), 3);

    QBuffer gpx;
    gpx.open(QIODevice::ReadWrite);
    QVERIFY(writeGpx(&gpx, track, QStringLiteral("test")));
    gpx.seek(0);
    QXmlStreamReader xml(&gpx);
    QStringList points;
    QString point;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("trkpt"))
            points << point;
        if (!xml.isStartElement())
            continue;
        QCOMPARE(xml.namespaceUri(), QStringLiteral("http://www.topografix.com/GPX/1/1"));
        if (xml.name() == QLatin1String("gpx")) {
            QCOMPARE(xml.attributes().value("version"), QStringLiteral("1.1"));
            QCOMPARE(xml.attributes().value("creator"), QStringLiteral("test"));
        } else if (xml.name() == QLatin1String("trkpt")) {
            point = xml.attributes().value("lat") + ' ' + xml.attributes().value("lon");
        } else if (xml.name() != QLatin1String("trk") && xml.name() != QLatin1String("trkseg")) {
            point += ' ' + xml.name() + '=' + xml.readElementText();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(points, QStringList({
        "31.8454700 117.1988133 ele=35.200 sat=8 hdop=1.10",
        "-31.8454716 -117.1988150 ele=-3.500 time=2014-12-31T23:59:59.900Z sat=10 hdop=0.80",
        "0.0000000 0.0000000 time=2015-01-01T00:00:01Z",
    }));
    track.clear();
    QVERIFY(track.isEmpty());
}

// Three satellites at one place and a pair almost there end up a disc
// apart, none moved further than that; one with room around it keeps its
// place.
void TestNmea::crowdedSkyPointsAreNudgedApart()
{
    constexpr double kSpacing = 19;
    const QVector<QPointF> points = {{50, 50}, {50, 50}, {50, 50}, {100, 100}, {103, 101},
                                     {200, 20}};
    const QVector<QPointF> shown = nudgedApart(points, kSpacing);
    QCOMPARE(shown.size(), points.size());
    for (int i = 0; i < shown.size(); ++i) {
        for (int j = i + 1; j < shown.size(); ++j)
            QVERIFY2(QLineF(shown[i], shown[j]).length() >= kSpacing,
                     qPrintable(QStringLiteral("%1,%2").arg(i).arg(j)));
        QVERIFY(QLineF(shown[i], points[i]).length() < kSpacing + 0.1); // at most a disc
    }
    QCOMPARE(shown.last(), points.last());
}

QTEST_GUILESS_MAIN(TestNmea)
#include "test_nmea.moc"
