// The car link without a window: cutting the byte stream into frames, and
// decoding camera payloads into the pictures the camera page shows.
#include "camimage.h"
#include "carframe.h"
#include "rawbytes.h"

#include <QtTest>

#include <random>
#include <vector>

namespace {

struct Received
{
    int command;
    QByteArray payload;
};

// A parser whose handlers record every payload they are given.
class RecordingParser
{
public:
    explicit RecordingParser(const CarLink::FrameLengths &lengths)
    {
        parser.setFrameLengths(lengths);
        for (int command = 1; command < CarLink::kCommandCount; ++command)
            parser.setHandler(command, [this, command](const char *payload, int length) {
                received.push_back({command, QByteArray(payload, length)});
            });
    }
    CarFrameParser parser;
    std::vector<Received> received;
};

int grey(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

CameraPicture decodeOnce(const CarCamera::Settings &settings, QSize display,
                         const QByteArray &payload, int threshold = 128)
{
    CameraDecoder decoder(settings, display);
    return decoder.decode(payload.constData(), threshold);
}

} // namespace

class TestCarLink : public QObject
{
    Q_OBJECT
private slots:
    void builtFrameIsHeaderPayloadTrailer();
    void partialFrameWaitsUntilTheRestArrives();
    void completeFramesAreHandledOldestFirstAndTheRestKept();
    void wrongTrailerCostsOneByteAndASecondHeaderInsideIsFound();
    void withoutAHeaderEverythingIsKept_data();
    void withoutAHeaderEverythingIsKept();
    void endlessGarbageIsBoundedAndAFollowingFrameStillFound();
    void bufferLimitGrowsWithTheLongestFrame();
    void workGrowsWithTheBytesReceivedNotTheBytesKept_data();
    void workGrowsWithTheBytesReceivedNotTheBytesKept();
    void commandWithoutHandlerIsStillCutAndCounted();
    void bytesArrivingInsideAHandlerWaitForTheFramesBefore();

    void binaryPixelsFollowBitOrderAndColours_data();
    void binaryPixelsFollowBitOrderAndColours();
    void greyFrameGivesAverageMedianAndThresholdImage();
    void medianIsTheMiddleRankInAscendingOrder_data();
    void medianIsTheMiddleRankInAscendingOrder();
    void rgb565ByteOrder();
    void pictureKeepsTheImageShape_data();
    void pictureKeepsTheImageShape();
    void gridOnlyWhenAPixelCoversMoreThanThreeByThree();
    void pictureAtImageSizeOwnsItsPixels();
};

void TestCarLink::builtFrameIsHeaderPayloadTrailer()
{
    QCOMPARE(CarLink::buildFrame(CarLink::Ccd, bytes({0x10, 0x20})),
             bytes({0x02, 0xFD, 0x10, 0x20, 0xFD, 0x02}));
    QCOMPARE(CarLink::buildFrame(CarLink::Scope, {}), bytes({0x03, 0xFC, 0xFC, 0x03}));
}

void TestCarLink::partialFrameWaitsUntilTheRestArrives()
{
    RecordingParser p({0, 4, 0, 0});
    const QByteArray frame = CarLink::buildFrame(CarLink::Image, bytes({1, 2, 3, 4}));
    p.parser.append(frame.left(5));
    QCOMPARE(p.parser.buffer(), frame.left(5));
    for (int i = 5; i < frame.size() - 1; ++i)
        p.parser.append(frame.mid(i, 1));
    QVERIFY(p.received.empty());
    p.parser.append(frame.right(1));
    QCOMPARE(int(p.received.size()), 1);
    QCOMPARE(p.received[0].payload, bytes({1, 2, 3, 4}));
    QVERIFY(p.parser.buffer().isEmpty());
}

void TestCarLink::completeFramesAreHandledOldestFirstAndTheRestKept()
{
    RecordingParser p({0, 2, 3, 1});
    const QByteArray stream = bytes({0x55, 0x00}) + CarLink::buildFrame(2, bytes({7, 8, 9}))
                              + CarLink::buildFrame(3, bytes({0xFC}))
                              + CarLink::buildFrame(1, bytes({0xAA, 0xBB}))
                              + bytes({0x01, 0xFE, 0x33});
    p.parser.append(stream);
    QCOMPARE(int(p.received.size()), 3);
    QCOMPARE(p.received[0].command, 2);
    QCOMPARE(p.received[0].payload, bytes({7, 8, 9}));
    QCOMPARE(p.received[1].command, 3);
    QCOMPARE(p.received[1].payload, bytes({0xFC}));
    QCOMPARE(p.received[2].command, 1);
    QCOMPARE(p.received[2].payload, bytes({0xAA, 0xBB}));
    // The start of the next frame waits for its rest.
    QCOMPARE(p.parser.buffer(), bytes({0x01, 0xFE, 0x33}));
}

void TestCarLink::wrongTrailerCostsOneByteAndASecondHeaderInsideIsFound()
{
    // A camera frame whose trailer is wrong carries, inside its payload, a
    // complete CCD frame: after one byte is dropped the search finds it.
    RecordingParser p({0, 6, 1, 0});
    p.parser.append(bytes({0x01, 0xFE, 0x02, 0xFD, 0x55, 0xFD, 0x02, 0x00, 0xFE, 0x02}));
    QCOMPARE(int(p.received.size()), 1);
    QCOMPARE(p.received[0].command, 2);
    QCOMPARE(p.received[0].payload, bytes({0x55}));
    QCOMPARE(p.parser.buffer(), bytes({0x00, 0xFE, 0x02}));
    QCOMPARE(p.parser.framesHandled(CarLink::Image), 0);
}

void TestCarLink::withoutAHeaderEverythingIsKept_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::newRow("command 0") << bytes({0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF});
    QTest::newRow("commands above 3") << bytes({0x04, 0xFB, 0x05, 0xFA, 0xFF, 0x00});
    QTest::newRow("complement first") << bytes({0xFE, 0x01, 0xFD, 0x02, 0xFC});
    QTest::newRow("lone command at the end") << bytes({0x20, 0x21, 0x01});
}

void TestCarLink::withoutAHeaderEverythingIsKept()
{
    QFETCH(QByteArray, stream);
    RecordingParser p({0, 0, 0, 0});
    p.parser.append(stream);
    p.parser.append(stream);
    QVERIFY(p.received.empty());
    QCOMPARE(p.parser.buffer(), stream + stream);
}

void TestCarLink::endlessGarbageIsBoundedAndAFollowingFrameStillFound()
{
    RecordingParser p({0, 4800, 128, 8});
    const int limit = p.parser.bufferLimit();
    QVERIFY(limit >= CarFrameParser::kMinimumBufferLimit);
    const QByteArray garbage(64 * 1024 + 123, char(0x5A));
    for (int i = 0; i < 100; ++i) {
        p.parser.append(garbage);
        QVERIFY(p.parser.buffer().size() <= limit);
    }
    QCOMPARE(p.parser.buffer().size(), limit);
    // A header split over two reads at the limit is not lost.
    p.parser.append(bytes({0x02}));
    p.parser.append(bytes({0xFD}));
    p.parser.append(QByteArray(128, 'c') + bytes({0xFD, 0x02}));
    QCOMPARE(int(p.received.size()), 1);
    QCOMPARE(p.received[0].payload, QByteArray(128, 'c'));
}

void TestCarLink::bufferLimitGrowsWithTheLongestFrame()
{
    CarFrameParser parser;
    parser.setFrameLengths({0, 999 * 999 * 2, 2 * 9999, 64});
    QVERIFY(parser.bufferLimit() >= 3 * (999 * 999 * 2 + 4));
    // The largest colour frame, sent after a long stretch of noise, arrives whole.
    int handled = 0;
    parser.setHandler(1, [&handled](const char *, int length) {
        QCOMPARE(length, 999 * 999 * 2);
        ++handled;
    });
    parser.append(QByteArray(parser.bufferLimit() * 2, char(0x11)));
    parser.append(CarLink::buildFrame(1, QByteArray(999 * 999 * 2, char(0x11))));
    QCOMPARE(handled, 1);
}

void TestCarLink::workGrowsWithTheBytesReceivedNotTheBytesKept_data()
{
    // A megabyte in 4 KiB reads, sixteen times the bound the buffer keeps.
    std::mt19937 random(3);
    QByteArray noHeader(1 << 20, '\0');
    QByteArray anyBytes(1 << 20, '\0');
    for (int i = 0; i < noHeader.size(); ++i) {
        noHeader[i] = char(std::uniform_int_distribution<int>(4, 255)(random));
        anyBytes[i] = char(std::uniform_int_distribution<int>(0, 255)(random));
    }
    QByteArray framesInGarbage;
    for (int i = 0; framesInGarbage.size() < (1 << 20); ++i)
        framesInGarbage += noHeader.mid(i * 101 % 4096, 20000 + i)
                           + CarLink::buildFrame(CarLink::Image, QByteArray(4800, char(i)));

    QTest::addColumn<QByteArray>("stream");
    QTest::newRow("no header at all") << noHeader;
    QTest::newRow("random bytes, headers with wrong trailers") << anyBytes;
    QTest::newRow("frames between long garbage") << framesInGarbage;
}

void TestCarLink::workGrowsWithTheBytesReceivedNotTheBytesKept()
{
    QFETCH(QByteArray, stream);
    constexpr int kRead = 4096;
    CarFrameParser parser;
    parser.setFrameLengths({0, 4800, 256, 32});
    CarFrameParser wholeStream;
    wholeStream.setFrameLengths(parser.frameLengths());
    wholeStream.append(stream);

    qint64 reads = 0;
    for (int at = 0; at < stream.size(); at += kRead, ++reads)
        parser.append(stream.mid(at, kRead));
    // Each byte is searched once, but for the last byte of a read, which
    // may be the first half of a header; each byte is moved at most once
    // on its way out.
    QVERIFY2(parser.work().bytesSearched <= stream.size() + reads,
             qPrintable(QString::number(parser.work().bytesSearched)));
    QVERIFY2(parser.work().bytesMoved <= stream.size(),
             qPrintable(QString::number(parser.work().bytesMoved)));
    QCOMPARE(parser.framesHandled(CarLink::Image), wholeStream.framesHandled(CarLink::Image));
    QCOMPARE(parser.buffer(), wholeStream.buffer());
}

void TestCarLink::commandWithoutHandlerIsStillCutAndCounted()
{
    CarFrameParser parser;
    parser.setFrameLengths({0, 1, 2, 0});
    parser.append(CarLink::buildFrame(2, bytes({1, 2})) + CarLink::buildFrame(3, {})
                  + CarLink::buildFrame(3, {}));
    QCOMPARE(parser.framesHandled(2), 1);
    QCOMPARE(parser.framesHandled(3), 2);
    QVERIFY(parser.buffer().isEmpty());
}

// A handler that runs an event loop lets the next read in: its frames are
// handled after the current read's, each once, from storage that never
// moved under the running handler.
void TestCarLink::bytesArrivingInsideAHandlerWaitForTheFramesBefore()
{
    CarFrameParser parser;
    parser.setFrameLengths({0, 1, 0, 0});
    QByteArray seen;
    bool fedMore = false;
    parser.setHandler(1, [&](const char *payload, int length) {
        seen.append(payload, length);
        if (!fedMore) {
            fedMore = true;
            // Far more than the storage held: it would have moved.
            QByteArray more;
            for (int i = 0; i < 1000; ++i)
                more += CarLink::buildFrame(1, QByteArray(1, char('a' + i % 26)));
            parser.append(more);
        }
        QCOMPARE(length, 1);
    });
    parser.append(CarLink::buildFrame(1, "X") + CarLink::buildFrame(1, "Y"));
    QCOMPARE(parser.framesHandled(1), 1002);
    QCOMPARE(seen.left(3), QByteArray("XYa"));
    QCOMPARE(seen.right(1), QByteArray(1, char('a' + 999 % 26)));
    QVERIFY(parser.buffer().isEmpty());
}

void TestCarLink::binaryPixelsFollowBitOrderAndColours_data()
{
    QTest::addColumn<bool>("highBitFirst");
    QTest::addColumn<bool>("oneIsBlack");
    QTest::addColumn<int>("oddPixel");
    QTest::addColumn<int>("oddValue");
    QTest::newRow("high first, 1 black") << true << true << 0 << 0;
    QTest::newRow("low first, 1 black") << false << true << 7 << 0;
    QTest::newRow("high first, 0 black") << true << false << 0 << 255;
    QTest::newRow("low first, 0 black") << false << false << 7 << 255;
}

void TestCarLink::binaryPixelsFollowBitOrderAndColours()
{
    QFETCH(bool, highBitFirst);
    QFETCH(bool, oneIsBlack);
    QFETCH(int, oddPixel);
    QFETCH(int, oddValue);
    CarCamera::Settings settings;
    settings.width = 8;
    settings.height = 1;
    settings.highBitFirst = highBitFirst;
    settings.oneIsBlack = oneIsBlack;
    const CameraPicture picture = decodeOnce(settings, {8, 1}, bytes({0x80}));
    QCOMPARE(picture.original.size(), QSize(8, 1));
    for (int x = 0; x < 8; ++x)
        QCOMPARE(grey(picture.original, x, 0), x == oddPixel ? oddValue : 255 - oddValue);
    QCOMPARE(grey(picture.binary, oddPixel, 0), oddValue);
}

void TestCarLink::greyFrameGivesAverageMedianAndThresholdImage()
{
    CarCamera::Settings settings;
    settings.mode = CarCamera::Grey;
    settings.width = 2;
    settings.height = 2;
    CameraDecoder decoder(settings, {2, 2});
    const QByteArray payload = bytes({10, 20, 30, 40});

    CameraPicture picture = decoder.decode(payload.constData(), 128);
    QCOMPARE(picture.average, 25);
    QCOMPARE(picture.median, 30);
    QCOMPARE(grey(picture.original, 1, 1), 40);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(grey(picture.binary, i % 2, i / 2), 0);

    // A pixel equal to the threshold is black; only brighter ones are white.
    picture = decoder.decode(payload.constData(), 30);
    QCOMPARE(grey(picture.binary, 0, 1), 0);
    QCOMPARE(grey(picture.binary, 1, 1), 255);

    // The median is taken from a copy: the picture still shows the order sent.
    QCOMPARE(grey(picture.original, 0, 0), 10);
    QCOMPARE(grey(picture.original, 1, 0), 20);
}

void TestCarLink::medianIsTheMiddleRankInAscendingOrder_data()
{
    QTest::addColumn<QByteArray>("levels");
    QTest::addColumn<int>("median");
    QTest::addColumn<int>("average");
    QTest::newRow("odd count") << bytes({9, 1, 5}) << 5 << 5;
    QTest::newRow("repeated levels") << bytes({5, 9, 5, 5}) << 5 << 6;
    QTest::newRow("upper of two") << bytes({255, 0}) << 255 << 127;
    QTest::newRow("one pixel") << bytes({77}) << 77 << 77;
}

void TestCarLink::medianIsTheMiddleRankInAscendingOrder()
{
    QFETCH(QByteArray, levels);
    QFETCH(int, median);
    QFETCH(int, average);
    CarCamera::Settings settings;
    settings.mode = CarCamera::Grey;
    settings.width = levels.size();
    settings.height = 1;
    const CameraPicture picture = decodeOnce(settings, {levels.size(), 1}, levels);
    QCOMPARE(picture.median, median);
    QCOMPARE(picture.average, average);
}

void TestCarLink::rgb565ByteOrder()
{
    CarCamera::Settings settings;
    settings.mode = CarCamera::Colour;
    settings.width = 1;
    settings.height = 1;
    settings.bigEndian = true;
    const QRgb red = decodeOnce(settings, {1, 1}, bytes({0xF8, 0x00})).original.pixel(0, 0);
    QCOMPARE(QColor(red), QColor(255, 0, 0));

    settings.bigEndian = false;
    const CameraPicture picture = decodeOnce(settings, {1, 1}, bytes({0xF8, 0x00}));
    const QColor darkBlue(picture.original.pixel(0, 0));
    QCOMPARE(darkBlue.red(), 0);
    QCOMPARE(darkBlue.green() >> 2, 7); // word 0x00F8: green 7 of 63, blue 24 of 31
    QCOMPARE(darkBlue.blue() >> 3, 24);
    QVERIFY(picture.binary.isNull());
}

void TestCarLink::pictureKeepsTheImageShape_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("label");
    QTest::addColumn<QSize>("picture");
    QTest::newRow("tall label, three times") << QSize(80, 60) << QSize(290, 580) << QSize(240, 180);
    QTest::newRow("exact four times") << QSize(80, 60) << QSize(320, 240) << QSize(320, 240);
    QTest::newRow("one short of four") << QSize(80, 60) << QSize(320, 239) << QSize(240, 180);
    QTest::newRow("square image, wide label") << QSize(2, 2) << QSize(320, 240) << QSize(240, 240);
    QTest::newRow("image at label size") << QSize(7, 3) << QSize(7, 3) << QSize(7, 3);
    QTest::newRow("larger than the label") << QSize(320, 240) << QSize(160, 580) << QSize(160, 120);
    QTest::newRow("a line wider than the label") << QSize(999, 1) << QSize(160, 120) << QSize(160, 1);
}

void TestCarLink::pictureKeepsTheImageShape()
{
    QFETCH(QSize, image);
    QFETCH(QSize, label);
    QFETCH(QSize, picture);
    CarCamera::Settings settings;
    settings.mode = CarCamera::Grey;
    settings.width = image.width();
    settings.height = image.height();
    QCOMPARE(CarCamera::fittedPictureSize(image, label), picture);

    QByteArray levels(image.width() * image.height(), '\0');
    for (int i = 0; i < levels.size(); ++i)
        levels[i] = char(i * 7 % 251);
    const QImage shown = decodeOnce(settings, label, levels).original;
    QCOMPARE(shown.size(), picture);
    // Nearest pixel; in a whole multiple every image pixel is a k × k square.
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const int source = y * image.height() / picture.height() * image.width()
                               + x * image.width() / picture.width();
            QCOMPARE(grey(shown, x, y), int(uchar(levels[source])));
        }
}

void TestCarLink::gridOnlyWhenAPixelCoversMoreThanThreeByThree()
{
    CarCamera::Settings settings;
    settings.mode = CarCamera::Grey;
    const QByteArray white(80 * 60, char(200));

    // The grid is drawn on the picture, not across the whole label.
    const QImage grid = decodeOnce(settings, {330, 600}, white).binary;
    QCOMPARE(grid.size(), QSize(320, 240));
    QCOMPARE(grid.pixel(1, 4), 0xFF808080u);   // first row boundary: 1 × 240 / 60
    QCOMPARE(grid.pixel(1, 120), 0xFF000080u); // middle row in navy
    QCOMPARE(grid.pixel(160, 1), 0xFF000080u); // middle column, drawn after the rows
    QCOMPARE(grid.pixel(160, 4), 0xFF000080u);
    QCOMPARE(grid.pixel(4, 1), 0xFF808080u);
    QCOMPARE(grid.pixel(2, 2), 0xFFFFFFFFu);   // inside a pixel: the image itself

    const QImage plain = decodeOnce(settings, {290, 580}, white).binary;
    QCOMPARE(plain.size(), QSize(240, 180));
    for (int y = 0; y < plain.height(); ++y)
        QCOMPARE(plain.pixel(1, y), 0xFFFFFFFFu);
    QVERIFY(!CarCamera::gridFits({80, 60}, {240, 181}));
    QVERIFY(CarCamera::gridFits({80, 60}, {241, 181}));
}

void TestCarLink::pictureAtImageSizeOwnsItsPixels()
{
    // The payload lives in the receive buffer, which the next read changes.
    for (int mode : {CarCamera::Binary, CarCamera::Grey, CarCamera::Colour}) {
        CarCamera::Settings settings;
        settings.mode = mode;
        settings.width = 8;
        settings.height = 2;
        CameraDecoder decoder(settings, {8, 2});
        QByteArray payload(decoder.payloadLength(), char(0xFF));
        const CameraPicture picture = decoder.decode(payload.constData(), 128);
        const QImage before = picture.original.copy();
        payload.fill(char(0x00));
        decoder.decode(payload.constData(), 128);
        QCOMPARE(picture.original, before);
    }
}

QTEST_GUILESS_MAIN(TestCarLink)
#include "test_carlink.moc"
