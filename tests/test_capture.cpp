// Capture files on their own: what the writer's thread puts on disk reads
// back with its times, a cut file offers its whole records, a full queue
// stops the recording visibly, and the player hands the records out on the
// recorded schedule.
#include "captureplayer.h"
#include "capturereader.h"
#include "capturewriter.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kFrameUs = 40000; // 25 frames a second

QByteArray chunk(int index)
{
    return QByteArray(10 + index, char('a' + index % 26));
}

std::unique_ptr<QIODevice> bufferOf(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void recordsReadBackWithTheirTimes();
    void recordsReachTheDiskWhileRecording();
    void eachRecordReachesTheDiskWithin200Ms();
    void cutFileOffersItsWholeRecords_data();
    void cutFileOffersItsWholeRecords();
    void otherFilesAreRefused();
    void fullQueueStopsTheRecording();
    void playerKeepsTheRecordedTiming();
    void stepEndsWhereTheFrameEnds();
    void longReadIsSplitIntoReadableRecords();
    void timesThatWouldOverflowAreClamped();

private:
    // Writes `count` chunks 40 ms apart and returns the file's bytes.
    QByteArray recordFrames(int count);
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    qint64 m_now = 0;
};

void TestCapture::init()
{
    m_now = 0;
}

QByteArray TestCapture::recordFrames(int count)
{
    CaptureWriter writer(CaptureWriter::kDefaultQueueLimit, [this] { return m_now; });
    [&] { QVERIFY(writer.open(path("run.zcap"), {{"tab", "car"}, {"image.width", "80"}})); }();
    for (int i = 0; i < count; ++i) {
        m_now = i * kFrameUs;
        writer.append(chunk(i));
    }
    writer.close();
    QFile file(path("run.zcap"));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void TestCapture::recordsReadBackWithTheirTimes()
{
    const QByteArray file = recordFrames(50);
    CaptureReader reader;
    QVERIFY(reader.open(path("run.zcap")));
    QCOMPARE(reader.header().value("tab"), QStringLiteral("car"));
    QCOMPARE(reader.header().value("image.width"), QStringLiteral("80"));
    QCOMPARE(reader.recordCount(), 50);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(reader.timeUs(i), i * kFrameUs);
        QCOMPARE(reader.bytes(i), chunk(i));
    }
    QVERIFY(!reader.truncated());
    QCOMPARE(reader.recordAt(3 * kFrameUs - 1), 3);
}

// A crash loses at most what the last flush has not reached: records are
// on disk while the writer is still open.
void TestCapture::recordsReachTheDiskWhileRecording()
{
    CaptureWriter writer;
    QVERIFY(writer.open(path("live.zcap"), {{"tab", "gps"}}));
    writer.append("$GPRMC,1*00\r\n");
    QTRY_COMPARE(QFileInfo(path("live.zcap")).size(), writer.size());
    CaptureReader reader;
    QVERIFY(reader.open(path("live.zcap")));
    QCOMPARE(reader.recordCount(), 1);
    QCOMPARE(reader.bytes(0), QByteArray("$GPRMC,1*00\r\n"));
}

// The writer flushes at least every 200 ms. A record appended just after the
// last one reached the disk waits out the whole interval; 800 ms more are a
// busy machine's margin, well short of a flush ten times slower.
void TestCapture::eachRecordReachesTheDiskWithin200Ms()
{
    CaptureWriter writer;
    QVERIFY(writer.open(path("timely.zcap"), {{"tab", "gps"}}));
    for (int i = 0; i < 3; ++i) {
        writer.append("$GPRMC,1*00\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(path("timely.zcap")).size(), writer.size(), 200 + 800);
    }
}

void TestCapture::cutFileOffersItsWholeRecords_data()
{
    QTest::addColumn<int>("cutInRecord");
    QTest::addColumn<int>("cutAfter"); // bytes of that record's head and bytes kept
    QTest::newRow("inside a record's head") << 7 << 5;
    QTest::newRow("inside a record's bytes") << 7 << Capture::kRecordHeadBytes + 3;
    QTest::newRow("just before the last byte") << 9 << Capture::kRecordHeadBytes + 18;
}

void TestCapture::cutFileOffersItsWholeRecords()
{
    QFETCH(int, cutInRecord);
    QFETCH(int, cutAfter);
    const QByteArray whole = recordFrames(10);
    qint64 recordStart = whole.size();
    for (int i = 9; i >= cutInRecord; --i)
        recordStart -= Capture::kRecordHeadBytes + chunk(i).size();
    CaptureReader reader;
    QVERIFY(reader.open(bufferOf(whole.left(int(recordStart) + cutAfter))));
    QCOMPARE(reader.recordCount(), cutInRecord);
    QVERIFY(reader.truncated());
    QCOMPARE(reader.trailingBytes(), qint64(cutAfter));
    QCOMPARE(reader.bytes(cutInRecord - 1), chunk(cutInRecord - 1));
}

void TestCapture::otherFilesAreRefused()
{
    CaptureReader reader;
    QVERIFY(!reader.open(bufferOf("$GPRMC,083559.00,A,4717.11437,N*00\r\n")));
    QVERIFY(!reader.open(path("missing.zcap")));

    // A length field beyond any record the writer makes ends the index there.
    QByteArray file = recordFrames(3);
    file += Capture::encodeRecord(5 * kFrameUs, "x", 1);
    file[file.size() - 2] = char(0x7f);
    QVERIFY(reader.open(bufferOf(file)));
    QCOMPARE(reader.recordCount(), 3);
    QVERIFY(reader.truncated());

    // Nor does the writer make a file whose header no reader takes.
    CaptureWriter writer;
    const Capture::Header huge{{QStringLiteral("frame"), QString(Capture::kMaxHeaderBytes, 'x')}};
    QVERIFY(!writer.open(path("huge.zcap"), huge));
    QVERIFY(!writer.errorString().isEmpty());
    QVERIFY(!QFile::exists(path("huge.zcap")));
}

void TestCapture::fullQueueStopsTheRecording()
{
    CaptureWriter writer(100);
    QVERIFY(writer.open(path("full.zcap"), {{"tab", "car"}}));
    writer.append(QByteArray(40, 'a'));
    writer.append(QByteArray(120, 'b'));
    QCOMPARE(writer.failure(), CaptureWriter::Failure::QueueFull);
    writer.append(QByteArray(1, 'c'));
    writer.close();

    CaptureReader reader;
    QVERIFY(reader.open(path("full.zcap")));
    QVERIFY(!reader.truncated());
    QVERIFY(reader.recordCount() <= 1);
    for (int i = 0; i < reader.recordCount(); ++i)
        QCOMPARE(reader.bytes(i), QByteArray(40, 'a'));
}

// Records leave when their recorded offset, scaled by the speed, has passed
// since play; the clock is the test's.
void TestCapture::playerKeepsTheRecordedTiming()
{
    recordFrames(6);
    CapturePlayer player(nullptr, [this] { return m_now; });
    QVERIFY(player.open(path("run.zcap")));
    QByteArrayList received;
    connect(&player, &CapturePlayer::bytes, this,
            [&](const QByteArray &bytes) { received << bytes; });

    m_now = 1000000;
    player.play();
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(player.msUntilNext(), kFrameUs / 1000);
    player.setSpeed(2);
    QCOMPARE(player.msUntilNext(), kFrameUs / 2000);
    player.setSpeed(0.25);
    QCOMPARE(player.msUntilNext(), kFrameUs * 4 / 1000);

    m_now += kFrameUs * 4 * 2; // two frames' time at a quarter speed
    QTRY_COMPARE(received.size(), 3);
    QCOMPARE(player.msUntilNext(), kFrameUs * 4 / 1000);

    player.pause();
    m_now += 10 * 1000000;
    player.play(); // a pause does not count as time played
    QCOMPARE(player.msUntilNext(), kFrameUs * 4 / 1000);

    QSignalSpy finished(&player, &CapturePlayer::finished);
    player.setSpeed(CapturePlayer::kAsFastAsPossible);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(received, (QByteArrayList{chunk(0), chunk(1), chunk(2), chunk(3), chunk(4), chunk(5)}));

    player.seek(2 * kFrameUs);
    QCOMPARE(player.positionUs(), 2 * kFrameUs);
}

void TestCapture::stepEndsWhereTheFrameEnds()
{
    CaptureWriter writer;
    QVERIFY(writer.open(path("lines.zcap"), {{"tab", "gps"}}));
    writer.append("one\ntw");
    writer.append("o\nthree\n");
    writer.close();

    CapturePlayer player;
    QVERIFY(player.open(path("lines.zcap")));
    QByteArray received;
    connect(&player, &CapturePlayer::bytes, this,
            [&](const QByteArray &bytes) { received += bytes; });
    const auto lineEnd = [](char byte) { return byte == '\n'; };
    player.stepUntil(lineEnd);
    QCOMPARE(received, QByteArray("one\n"));
    player.stepUntil(lineEnd);
    QCOMPARE(received, QByteArray("one\ntwo\n"));
    // Playing on takes the rest of the record that stepping began.
    QSignalSpy finished(&player, &CapturePlayer::finished);
    player.setSpeed(CapturePlayer::kAsFastAsPossible);
    player.play();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(received, QByteArray("one\ntwo\nthree\n"));
    QVERIFY(player.atEnd());
}


// One network read may carry more than a reader takes as one record.
void TestCapture::longReadIsSplitIntoReadableRecords()
{
    const QByteArray read = QByteArray(2 * Capture::kMaxRecordBytes + 5, 'r');
    {
        CaptureWriter writer(CaptureWriter::kDefaultQueueLimit, [this] { return m_now; });
        QVERIFY(writer.open(path("long.zcap"), {{"tab", "car"}}));
        m_now = kFrameUs;
        writer.append(read);
        writer.append("after");
        writer.close();
        QCOMPARE(QFileInfo(path("long.zcap")).size(), writer.size());
    }
    CaptureReader reader;
    QVERIFY(reader.open(path("long.zcap")));
    QVERIFY(!reader.truncated());
    QCOMPARE(reader.recordCount(), 4);
    QCOMPARE(reader.bytes(0) + reader.bytes(1) + reader.bytes(2), read);
    QCOMPARE(reader.timeUs(2), kFrameUs);
    QCOMPARE(reader.bytes(3), QByteArray("after"));
}

void TestCapture::timesThatWouldOverflowAreClamped()
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    {
        CaptureWriter writer(CaptureWriter::kDefaultQueueLimit, [this] { return m_now; });
        m_now = -10;
        QVERIFY(writer.open(path("far.zcap"), {{"tab", "car"}}));
        m_now = -20; // a clock that went back
        writer.append("early");
        m_now = kMax;
        writer.append("late");
    }
    QFile file(path("far.zcap"));
    QVERIFY(file.open(QIODevice::Append));
    file.write(Capture::encodeRecord(kMax, "stamped beyond", 14));
    file.close();

    CaptureReader reader;
    QVERIFY(reader.open(path("far.zcap")));
    QCOMPARE(reader.recordCount(), 3);
    QCOMPARE(reader.timeUs(0), qint64(0));
    QCOMPARE(reader.timeUs(1), Capture::kMaxTimeUs);
    QCOMPARE(reader.timeUs(2), Capture::kMaxTimeUs);

    // The far record is due far later, not at once.
    CapturePlayer player(nullptr, [this] { return m_now; });
    QVERIFY(player.open(path("far.zcap")));
    m_now = 1000000;
    player.setSpeed(0.25);
    player.play();
    QTRY_COMPARE(player.positionUs(), Capture::kMaxTimeUs);
    QCOMPARE(player.msUntilNext(), Capture::kMaxTimeUs * 4 / 1000 + 1);

    // Beyond any capture or clock, due times saturate.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    QCOMPARE(PlaybackTiming::waitUs(kMax, kMin, kMax, 0, 1e-300), kMax);
    QCOMPARE(PlaybackTiming::waitUs(kMin, kMax, kMin, kMax, 1e-300), qint64(0));
    QCOMPARE(PlaybackTiming::playedUs(kMax, kMin, kMax, 1e300, kMax), kMax);
}

QTEST_GUILESS_MAIN(TestCapture)
#include "test_capture.moc"
