// The GPS session without widgets or a web engine: real receiver captures
// in, typed fixes and map moves out; the device's settings, picture
// requests and the frames that answer them; file uploads.
#include "gpssession.h"
#include "hextext.h"
#include "uploadfolder.h"
#include "nmeacapture.h"

#include <QBuffer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>

namespace {


QByteArray fileContents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(missing)";
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

template<typename T>
void keepNewest(std::optional<T> &kept, const std::optional<T> &news)
{
    if (news)
        kept = news;
}

// Everything a session reports, with the fixes folded into the newest state.
// The log shows hex, so its bytes can be read back.
struct Reports
{
    explicit Reports(GpsSession &session)
    {
        session.setLogHex(true);
        QObject::connect(&session, &GpsSession::logLine,
                         [this](const QString &html) { logged += hexTextToBytes(html); });
        QObject::connect(&session, &GpsSession::logMessage,
                         [this](GpsSession::Severity, const QString &text) { messages << text; });
        QObject::connect(&session, &GpsSession::fixReceived, [this](const GpsFix &fix) {
            keepNewest(state.position, fix.position);
            keepNewest(state.utc, fix.utc);
            keepNewest(state.altitudeMetres, fix.altitudeMetres);
            keepNewest(state.satellitesInUse, fix.satellitesInUse);
            keepNewest(state.satellitesInView, fix.satellitesInView);
            keepNewest(state.mode, fix.mode);
        });
        QObject::connect(&session, &GpsSession::mapMoveWanted,
                         [this](const MapPoint &point) { moves << point; });
        QObject::connect(&session, &GpsSession::mapZoomWanted, [this](int zoom) { zooms << zoom; });
        QObject::connect(&session, &GpsSession::mapTypeWanted,
                         [this](MapType type) { mapTypes << type; });
        QObject::connect(&session, &GpsSession::pictureWanted,
                         [this](const PictureRequest &request) { pictures << request; });
        QObject::connect(&session, &GpsSession::sendToDevice,
                         [this](const QByteArray &bytes) { sent << bytes; });
    }

    QByteArray logged;
    QStringList messages;
    GpsFix state;
    QList<MapPoint> moves;
    QList<int> zooms;
    QList<MapType> mapTypes;
    QList<PictureRequest> pictures;
    QList<QByteArray> sent;
};

} // namespace

class TestGpsSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void captureGivesItsLastFix_data();
    void captureGivesItsLastFix();
    void deviceSetsTheMapAndAsksForPictures();
    void floodOfPictureAndPlotCommandsKeepsOnlyTheNewest();
    void pictureFramesFromRenderedMaps();
    void skyAndTrackArePushedOnceARead();

    void uploadWritesBelowUploadsFolder();
    void manyEmptyUploadsInOneRead();
    void uploadOutsideWorkingDirectoryWritesNothing_data();
    void uploadOutsideWorkingDirectoryWritesNothing();
    void uploadNeverFollowsLinks_data();
    void uploadNeverFollowsLinks();
    void uploadStopsWhenNothingArrivesOrSourceCloses();
    void folderFloodStopsAtDepthAndCount();
    void fileCountBoundary();
    void folderByteQuota();
    void connectionByteQuota();
    void swappedInLinkIsNotFollowed();
    void fullWriterQueueHoldsReading();

private:
    std::unique_ptr<GpsSession> m_session;
    std::unique_ptr<Reports> m_reports;
    std::unique_ptr<QTemporaryDir> m_workDir;
    QString m_oldWorkDir;
};

void TestGpsSession::init()
{
    // Uploads make thousands of folders: in memory where the system offers
    // a place for it, as on a disk they take seconds.
    const QString memory = QStringLiteral("/dev/shm");
    m_workDir = QFileInfo(memory).isWritable()
        ? std::make_unique<QTemporaryDir>(memory + QStringLiteral("/test_gpssession-XXXXXX"))
        : std::make_unique<QTemporaryDir>();
    m_oldWorkDir = QDir::currentPath();
    QDir::setCurrent(m_workDir->path());
    m_session = std::make_unique<GpsSession>();
    m_reports = std::make_unique<Reports>(*m_session);
}

void TestGpsSession::cleanup()
{
    m_reports.reset();
    m_session.reset();
    QDir::setCurrent(m_oldWorkDir);
    m_workDir.reset();
}

void TestGpsSession::captureGivesItsLastFix_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("readSize");
    QTest::addColumn<QByteArrayList>("position"); // degrees and hemispheres
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<QByteArrayList>("counts"); // altitude, in use, in view
    const QByteArrayList gr601w{"40.0350840", "N", "-075.5200873", "W"};
    const QDateTime gr601wTime(QDate(2013, 10, 24), QTime(14, 33), Qt::UTC);
    QTest::newRow("gr601-w") << "gr601-w.log" << 97 << gr601w << gr601wTime
                             << QByteArrayList{"183.3", "07", "11"};
    QTest::newRow("gr601-w in one read") << "gr601-w.log" << INT_MAX << gr601w << gr601wTime
                                         << QByteArrayList{"183.3", "07", "11"};
    QTest::newRow("bu353s4") << "bu353s4.log" << 97
                             << QByteArrayList{"-37.7847950", "S", "175.3149016", "E"}
                             << QDateTime(QDate(2014, 12, 31), QTime(3, 7, 43), Qt::UTC)
                             << QByteArrayList{"60.2", "07", "12"};
}

void TestGpsSession::captureGivesItsLastFix()
{
    QFETCH(QString, file);
    QFETCH(int, readSize);
    QFETCH(QByteArrayList, position);
    QFETCH(QDateTime, utc);
    QFETCH(QByteArrayList, counts);
    const QByteArray stream = nmeaCapture(file);
    for (int at = 0; at < stream.size(); at += readSize)
        m_session->receive(stream.mid(at, readSize));

    const GpsFix &fix = m_reports->state;
    QVERIFY(fix.position);
    QCOMPARE(fix.position->latitude.degrees, position.at(0));
    QCOMPARE(fix.position->latitude.hemisphere, position.at(1));
    QCOMPARE(fix.position->longitude.degrees, position.at(2));
    QCOMPARE(fix.position->longitude.hemisphere, position.at(3));
    QCOMPARE(*fix.utc, utc);
    QCOMPARE(*fix.altitudeMetres, counts.at(0));
    QCOMPARE(*fix.satellitesInUse, counts.at(1));
    QCOMPARE(*fix.satellitesInView, counts.at(2));
    QCOMPARE(*fix.mode, FixMode::ThreeD);
    // The map follows the fixes; the log gets every byte, in order.
    QCOMPARE(m_reports->moves.last().latitude, position.at(0).toDouble());
    QCOMPARE(m_reports->moves.last().longitude, position.at(2).toDouble());
    QCOMPARE(m_reports->logged, stream);
}

void TestGpsSession::deviceSetsTheMapAndAsksForPictures()
{
    m_session->receive("$VCSET,20,X*00$VCSET,15,S,JPG,200,100*00\r\n"
                       "$VCLOC,4002.10513,N,07531.20562,W*00\r\n"
                       "$VCSET,,N,RGB565*00$VCLOC,3150.7282,S,11711.9288,E*00"
                       "$VCLOC,0);alert(1);(0,N,11711.9288,E*00");
    QCOMPARE(m_reports->zooms, QList<int>{15});
    QCOMPARE(m_reports->mapTypes, (QList<MapType>{MapType::Satellite, MapType::Normal}));
    // One picture at a time: the next is asked for once the map is done.
    QCOMPARE(m_reports->pictures.size(), 1);
    m_session->pictureAbandoned();
    QCOMPARE(m_reports->pictures.size(), 2);
    const PictureRequest jpeg = m_reports->pictures.at(0);
    QCOMPARE(jpeg.centre.latitude, 40.0350855);
    QCOMPARE(jpeg.centre.longitude, -75.5200936);
    QCOMPARE(jpeg.size, QSize(200, 100));
    QCOMPARE(jpeg.format, PictureFormat::Jpeg);
    const PictureRequest rgb565 = m_reports->pictures.at(1);
    QCOMPARE(rgb565.centre.latitude, -31.84547);
    QCOMPARE(rgb565.size, QSize(200, 100));
    QCOMPARE(rgb565.format, PictureFormat::Rgb565);
    // A device's position is not the receiver's fix.
    QVERIFY(m_reports->moves.isEmpty());
    QVERIFY(!m_session->record().hasPosition());

    // "VCPLO" moves the map, and twice more while the online map settles.
    m_session->receive("$VCPLO,3747.0877,S,17518.8941,E*00");
    QCOMPARE(m_reports->moves.size(), 1);
    QTRY_COMPARE(m_reports->moves.size(), GpsSession::kPlotRepeats);
    QCOMPARE(m_reports->moves.last().latitude, -37.784795);
    QCOMPARE(m_reports->moves.last().longitude, 175.3149016);
    QVERIFY(m_reports->sent.isEmpty());

    // A picture whose RGB565 frame would not fit what the link keeps unsent
    // for the device is refused; the size stays.
    m_reports->messages.clear();
    m_session->receive("$VCSET,,,,4096,4096*00$VCSET,,,,4096,2048*00$VCLOC,0000.0,N,00000.0,E*00");
    QCOMPARE(m_reports->messages,
             QStringList({QStringLiteral("拒绝图片尺寸4096×4096：图片帧将超过16 MiB，仍用200×100"),
                          QStringLiteral("拒绝图片尺寸4096×2048：图片帧将超过16 MiB，仍用200×100")}));
    m_session->pictureAbandoned();
    QCOMPARE(m_reports->pictures.last().size, QSize(200, 100));
    m_session->receive("$VCSET,,,,4096,2047*00$VCLOC,0000.0,N,00000.0,E*00");
    m_session->pictureAbandoned();
    QCOMPARE(m_reports->pictures.last().size, QSize(4096, 2047));
}

void TestGpsSession::floodOfPictureAndPlotCommandsKeepsOnlyTheNewest()
{
    // Latitudes 00°00' … 16°39', a minute apart.
    const auto flood = [](const char *command) {
        QByteArray sentences;
        for (int i = 0; i < 1000; ++i)
            sentences += QByteArray("$") + command + ','
                + QByteArray::number(i / 60 * 100 + i % 60).rightJustified(4, '0')
                + ".0,N,00000.0,E*";
        return sentences;
    };
    m_session->receive(flood("VCLOC"));
    QCOMPARE(m_reports->pictures.size(), 1);
    m_session->pictureRendered(m_reports->pictures.first(), QImage(320, 240, QImage::Format_RGB32));
    QCOMPARE(m_reports->sent.size(), 1);
    QCOMPARE(m_reports->pictures.size(), 2);
    QCOMPARE(m_reports->pictures.last().centre.latitude, 16.65);
    m_session->pictureAbandoned();
    QCOMPARE(m_reports->pictures.size(), 2);

    m_session->receive(flood("VCPLO"));
    QCOMPARE(m_reports->moves.size(), 1000);
    // Only the last one is repeated.
    QTRY_COMPARE(m_reports->moves.size(), 1000 + GpsSession::kPlotRepeats - 1);
    QTest::qWait(GpsSession::kPlotIntervalMs + 200);
    QCOMPARE(m_reports->moves.size(), 1000 + GpsSession::kPlotRepeats - 1);
    QCOMPARE(m_reports->moves.last().latitude, 16.65);
}

void TestGpsSession::pictureFramesFromRenderedMaps()
{
    QImage logo(10, 5, QImage::Format_ARGB32);
    logo.fill(Qt::blue);
    m_session->setPictureLogo(logo);
    QImage rendered(400, 300, QImage::Format_ARGB32_Premultiplied);
    rendered.fill(qRgb(0xFF, 0x80, 0x08));

    // A picture is encoded as it was asked for, whatever settings came
    // while the map was drawing it.
    PictureRequest request;
    m_session->receive("$VCSET,,,JPG,640,480*00");
    m_session->pictureRendered(request, rendered);
    QCOMPARE(m_reports->sent.size(), 1);
    const QByteArray frame = m_reports->sent.first();
    QCOMPARE(frame.size(), 153609);
    QCOMPARE(frame.left(7), QByteArray("\x24\x02\xFD\x00\x58\x02\x00", 7));
    QCOMPARE(frame.right(2), QByteArray("\xFD\x02"));
    // The map's colour, and the logo at the bottom left.
    QCOMPARE(frame.mid(7, 2), QByteArray("\x01\xFC"));
    QCOMPARE(frame.mid(7 + 239 * 320 * 2, 2), QByteArray("\x1F\x00", 2));

    request.format = PictureFormat::Jpeg;
    request.size = QSize(200, 100);
    m_session->pictureRendered(request, rendered);
    const QByteArray jpegFrame = m_reports->sent.last();
    const QByteArray jpeg = jpegFrame.mid(7, jpegFrame.size() - 9);
    QCOMPARE(quint32(quint8(jpegFrame[3]) | quint8(jpegFrame[4]) << 8 | quint8(jpegFrame[5]) << 16),
             quint32(jpeg.size()));
    QCOMPARE(QImage::fromData(jpeg, "JPG").size(), QSize(200, 100));
    QVERIFY(!QFile::exists("save.jpg"));
}

// A view is told what changed once a read, however many sentences it held,
// and nothing has to keep time for the sky: satellites no longer heard leave
// with the next read, or with the source.
void TestGpsSession::skyAndTrackArePushedOnceARead()
{
    qint64 now = 0;
    GpsSession session(nullptr, [&now] { return now; });
    QList<QVector<Satellite>> skies;
    QList<int> trackSizes;
    connect(&session, &GpsSession::skyChanged,
            [&skies](const QVector<Satellite> &satellites) { skies << satellites; });
    connect(&session, &GpsSession::trackSizeChanged,
            [&trackSizes](int points) { trackSizes << points; });

    const QByteArray sky = "$GPGSV,2,1,05,01,10,020,30,02,20,040,31,03,30,060,32,04,40,080,33*00\r\n"
                           "$GPGSV,2,2,05,05,50,100,34*00\r\n";
    session.receive(sky + "$GPRMC,120000.00,A,3150.7282,N,11711.9288,E,,,010120,,*00\r\n");
    QCOMPARE(skies.size(), 1);
    QCOMPARE(skies.last().size(), 5);
    QCOMPARE(trackSizes, QList<int>{1});
    session.receive("$GPTXT,01,01,02,quiet*00\r\n");
    QCOMPARE(skies.size(), 1);

    now += SkyModel::kExpiryMs + 1;
    session.receive("$GPTXT,01,01,02,still here*00\r\n");
    QCOMPARE(skies.size(), 2);
    QVERIFY(skies.last().isEmpty());

    session.receive(sky);
    QCOMPARE(skies.last().size(), 5);
    session.sourceChanged();
    QVERIFY(skies.last().isEmpty());
    session.clearTrack();
    QCOMPARE(trackSizes, (QList<int>{1, 0}));
}

void TestGpsSession::uploadWritesBelowUploadsFolder()
{
    m_session->receive("$VCFLE,10,logs/run.bin*\x01\x02");
    QVERIFY(m_session->uploadInProgress());
    m_session->receive(QByteArray("\x00\x03\x04\x05\x06\x07\x08\x09$GPGSA,A,2*00", 21));
    QVERIFY(!m_session->uploadInProgress());
    m_session->waitForUploads();
    QCOMPARE(fileContents("uploads/logs/run.bin"),
             QByteArray("\x01\x02\x00\x03\x04\x05\x06\x07\x08\x09", 10));
    // What followed the file is read, and logged, as stream again.
    QCOMPARE(*m_reports->state.mode, FixMode::TwoD);
    QCOMPARE(m_reports->logged, QByteArray("$VCFLE,10,logs/run.bin*\x01\x02$GPGSA,A,2*00"));
    QCOMPARE(m_reports->messages,
             QStringList{QStringLiteral("文件已接收：%1/uploads/logs/run.bin（10字节）")
                             .arg(QDir::currentPath())});

    // A device re-sends its log; exactly its size, with nothing after it,
    // is a whole file at once.
    m_session->receive("$VCFLE,3,logs/run.bin*abc");
    m_session->receive("$VCFLE,0,empty*");
    m_session->waitForUploads();
    QVERIFY(!m_session->uploadInProgress());
    QCOMPARE(fileContents("uploads/logs/run.bin"), QByteArray("abc"));
    QCOMPARE(fileContents("uploads/empty"), QByteArray());
    QCOMPARE(QDir("uploads/logs").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"run.bin"});
}

void TestGpsSession::manyEmptyUploadsInOneRead()
{
    // Once each level of a recursion copied the rest of the read: this ran
    // for minutes and ended in bad_alloc.
    QByteArray flood;
    while (flood.size() < 1024 * 1024)
        flood += "$VCFLE,0,a*";
    m_session->receive(flood + "$GPGSA,A,3*00");
    m_session->waitForUploads();
    QCOMPARE(m_reports->messages.size(), flood.size() / 11);
    QCOMPARE(*m_reports->state.mode, FixMode::ThreeD);
    QCOMPARE(m_reports->logged.size(), flood.size() + 13);
    QVERIFY(QFile::exists("uploads/a"));
}

void TestGpsSession::uploadOutsideWorkingDirectoryWritesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("absolute") << QDir::tempPath() + "/zentrik-gps-upload-test";
    QTest::newRow("parent") << "../zentrik-gps-upload-test";
    QTest::newRow("deep parent") << "a/../../zentrik-gps-upload-test";
    // The working folder's name is a prefix of the sibling's.
    QTest::newRow("sibling") << "../%1-evil/x";
}

void TestGpsSession::uploadOutsideWorkingDirectoryWritesNothing()
{
    QFETCH(QString, path);
    path = path.arg(QDir::current().dirName());
    const QString target = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    QFile::remove(target);
    const QString sibling = QFileInfo(target).path();
    const bool makeSibling = !QFileInfo::exists(sibling);
    QVERIFY(QDir().mkpath(sibling));
    const auto removeSibling = qScopeGuard([&] {
        if (makeSibling)
            QDir(sibling).removeRecursively();
    });
    m_session->receive("$VCFLE,5," + path.toUtf8() + "*$GPGSA,A,3*00");
    QVERIFY(!QFile::exists(target));
    QCOMPARE(m_reports->messages.size(), 1);
    QVERIFY(m_reports->messages.first().startsWith(QStringLiteral("拒绝接收文件")));
    // The five bytes were the file's and are dropped, not parsed.
    QVERIFY(!m_reports->state.mode);
    m_session->receive("$GPGSA,A,2*00");
    QCOMPARE(*m_reports->state.mode, FixMode::TwoD);
    QVERIFY(QDir::current().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

void TestGpsSession::uploadNeverFollowsLinks_data()
{
    QTest::addColumn<QString>("plant"); // what is made below the working folder
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("folder link") << "uploads/d -> outside" << QByteArray("d/x")
                                 << "uploads/d是符号链接，不会跟随";
    QTest::newRow("uploads is a link") << "uploads -> outside" << QByteArray("x")
                                       << "uploads是符号链接，不会跟随";
    QTest::newRow("file link") << "uploads/f -> outside/x" << QByteArray("f")
                               << "uploads/f是符号链接，不会跟随";
    QTest::newRow("dangling link") << "uploads/n -> outside/new" << QByteArray("n")
                                   << "uploads/n是符号链接，不会跟随";
    QTest::newRow("fifo") << "uploads/p fifo" << QByteArray("p") << "uploads/p不是普通文件";
    QTest::newRow("hard link") << "uploads/h => outside/x" << QByteArray("h")
                               << "uploads/h另有硬链接，不会改写";
    QTest::newRow("folder as file") << "uploads/dir/" << QByteArray("dir")
                                    << "uploads/dir是文件夹";
    QTest::newRow("file as folder") << "uploads/plain" << QByteArray("plain/x")
                                    << "uploads/plain不是文件夹";
}

void TestGpsSession::uploadNeverFollowsLinks()
{
    QFETCH(QString, plant);
    QFETCH(QByteArray, path);
    QFETCH(QString, refusal);
    // "outside" stands for any folder beyond uploads/, with a file in it.
    QVERIFY(QDir().mkpath("outside"));
    writeFile("outside/x", "keep");
    QVERIFY(QDir().mkpath("uploads"));
    const QStringList link = plant.split(" -> ");
    const QStringList hardLink = plant.split(" => ");
    if (hardLink.size() == 2) {
        QCOMPARE(::link(qPrintable(hardLink.last()), qPrintable(hardLink.first())), 0);
    } else if (link.size() == 2) {
        if (link.first() == "uploads")
            QDir("uploads").removeRecursively();
        QVERIFY(QFile::link(QDir::current().absoluteFilePath(link.last()), link.first()));
    } else if (plant.endsWith(" fifo")) {
        QCOMPARE(::mkfifo(qPrintable(plant.chopped(5)), 0600), 0);
    } else if (plant.endsWith('/')) {
        QVERIFY(QDir().mkpath(plant));
    } else {
        writeFile(plant, "");
    }

    m_session->receive("$VCFLE,4," + path + "*evil$GPGSA,A,3*00");
    m_session->waitForUploads();
    QVERIFY(!m_session->uploadInProgress());
    QCOMPARE(m_reports->messages.size(), 1);
    QVERIFY2(m_reports->messages.first().endsWith("：" + refusal),
             qPrintable(m_reports->messages.first()));
    QCOMPARE(QDir("outside").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"x"});
    QCOMPARE(fileContents("outside/x"), QByteArray("keep"));
    QCOMPARE(*m_reports->state.mode, FixMode::ThreeD);

    // A sound upload still arrives.
    if (plant != "uploads -> outside") {
        m_session->receive("$VCFLE,2,ok/y*hi");
        m_session->waitForUploads();
        QCOMPARE(fileContents("uploads/ok/y"), QByteArray("hi"));
    }
}

void TestGpsSession::uploadStopsWhenNothingArrivesOrSourceCloses()
{
    m_session->setUploadIdleTimeout(50);
    m_session->receive("$VCFLE,100,slow.bin*0123");
    QVERIFY(m_session->uploadInProgress());
    QTRY_VERIFY(!m_session->uploadInProgress());
    QVERIFY(m_reports->messages.last().startsWith(QStringLiteral("文件接收超时")));
    // Sentences are parsed again afterwards.
    m_session->receive("$GPGSA,A,1*00");
    QCOMPARE(*m_reports->state.mode, FixMode::None);

    m_session->setUploadIdleTimeout(GpsSession::kUploadIdleMs);
    m_session->receive("$VCFLE,100,half.bin*0123");
    m_session->sourceClosed();
    QVERIFY(!m_session->uploadInProgress());
    QVERIFY(m_reports->messages.last().startsWith(QStringLiteral("数据源已关闭")));
    QVERIFY(m_reports->messages.last().contains(QStringLiteral("4/100")));
    QVERIFY(QDir::current().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    // The next source starts afresh: no half sentence carries over.
    m_session->receive("$GPGSA,A,");
    m_session->sourceChanged();
    m_session->receive("3*00");
    QCOMPARE(*m_reports->state.mode, FixMode::None);
}

// Deep paths that each made hundreds of folders, then shallow ones: the
// first stop at the depth limit, the others once uploads/ holds 4096
// entries. Each limit is logged once. A file already there is still
// written anew.
void TestGpsSession::folderFloodStopsAtDepthAndCount()
{
    QByteArray flood;
    for (int i = 0; flood.size() < 30 * 1024; ++i) {
        QByteArray path = "deep" + QByteArray::number(i) + '/';
        while (path.size() + 3 < 1024)
            path += "d/";
        flood += "$VCFLE,0," + path + "f*";
    }
    for (int i = 0; flood.size() < 61 * 1024; ++i)
        flood += "$VCFLE,0,q" + QByteArray::number(i) + "/d/d/d/d/d/d/d/f*";
    m_session->receive(flood);
    m_session->waitForUploads();

    QDirIterator it("uploads", QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    int entries = 0;
    while (it.hasNext()) {
        it.next();
        ++entries;
    }
    QCOMPARE(entries, 4096);
    QVERIFY(!QFile::exists("uploads/deep0"));
    QCOMPARE(m_reports->messages.filter(QStringLiteral("最多8层文件夹")).size(), 1);
    QCOMPARE(m_reports->messages.filter(QStringLiteral("已有4096个文件和文件夹")).size(), 1);
    QCOMPARE(m_reports->messages.filter(QStringLiteral("文件已接收")).size(), 4096 / 9);

    m_session->receive("$VCFLE,2,q0/d/d/d/d/d/d/d/f*ok");
    m_session->waitForUploads();
    QCOMPARE(fileContents("uploads/q0/d/d/d/d/d/d/d/f"), QByteArray("ok"));
}

// What is already in uploads/ counts: with 4095 entries there, the next
// file is the 4096th and the one after it is refused.
void TestGpsSession::fileCountBoundary()
{
    QVERIFY(QDir().mkpath("uploads"));
    for (int i = 0; i < 4095; ++i)
        writeFile(QStringLiteral("uploads/%1").arg(i), "");
    m_session->receive("$VCFLE,1,last*a$VCFLE,1,over*b");
    m_session->waitForUploads();
    QCOMPARE(fileContents("uploads/last"), QByteArray("a"));
    QVERIFY(!QFile::exists("uploads/over"));
    QCOMPARE(m_reports->messages.last(),
             QStringLiteral("无法写入文件%1/uploads/over：uploads文件夹已有4096个文件和文件夹，不再新建")
                 .arg(QDir::currentPath()));
}

void TestGpsSession::folderByteQuota()
{
    UploadFolder::Folder folder(UploadFolder::kMaxEntries, 10);
    const QString work = QDir::currentPath();
    QVERIFY(folder.write(work, "a", "123456").written);
    const UploadFolder::Outcome over = folder.write(work, "b", "12345");
    QVERIFY(!over.written);
    QCOMPARE(over.quota, UploadFolder::Quota::TotalBytes);
    QVERIFY(!QFile::exists("uploads/b"));
    // Replacing a file counts only what it grows by.
    QVERIFY(folder.write(work, "a", "1234567890").written);
    QVERIFY(!folder.write(work, "a", "12345678901").written);
    QCOMPARE(fileContents("uploads/a"), QByteArray("1234567890"));

    // The real limit, 1 GiB, with a sparse file planted just below it.
    QFile planted("uploads/planted");
    QVERIFY(planted.open(QIODevice::WriteOnly) && planted.resize((qint64(1) << 30) - 10 - 10));
    planted.close();
    UploadFolder::Folder real;
    QVERIFY(real.write(work, "c", "1234567890").written);
    QCOMPARE(real.write(work, "d", "1").quota, UploadFolder::Quota::TotalBytes);
}

// 256 MiB announced on one connection; uploads that never came count too.
void TestGpsSession::connectionByteQuota()
{
    m_session->setUploadIdleTimeout(1);
    const QByteArray largest = QByteArray::number(16 * 1024 * 1024);
    for (int i = 0; i < 16; ++i) {
        m_session->receive("$VCFLE," + (i < 15 ? largest : QByteArray::number(16 * 1024 * 1024 - 1))
                           + ",never*");
        QTRY_VERIFY(!m_session->uploadInProgress());
    }
    m_session->receive("$VCFLE,1,last*x$VCFLE,1,over*y");
    m_session->waitForUploads();
    QCOMPARE(fileContents("uploads/last"), QByteArray("x"));
    QVERIFY(!QFile::exists("uploads/over"));
    QCOMPARE(m_reports->messages.filter("256 MiB").size(), 1);
    QVERIFY(!QFile::exists("uploads/never"));
}

// A link put in the file's place after it was looked at is not followed:
// only the final open can tell.
void TestGpsSession::swappedInLinkIsNotFollowed()
{
    QVERIFY(QDir().mkpath("outside") && QDir().mkpath("uploads"));
    writeFile("outside/x", "keep");
    writeFile("uploads/f", "old");
    UploadFolder::Folder folder;
    folder.setBeforeOpen([] {
        QFile::remove("uploads/f");
        QFile::link(QDir::current().absoluteFilePath("outside/x"), "uploads/f");
    });
    const UploadFolder::Outcome outcome = folder.write(QDir::currentPath(), "f", "evil");
    QVERIFY(!outcome.written);
    QVERIFY2(outcome.error.endsWith(QStringLiteral("是符号链接，不会跟随")), qPrintable(outcome.error));
    QCOMPARE(fileContents("outside/x"), QByteArray("keep"));
}

// While the writer is behind, the session asks the source to stop reading
// and keeps what still comes; afterwards everything is taken in order.
void TestGpsSession::fullWriterQueueHoldsReading()
{
    QSemaphore gate;
    m_session->uploadWriter().setBeforeOpen([&gate] { gate.acquire(); });
    QSignalSpy held(m_session.get(), &GpsSession::readingHeld);
    QByteArray first;
    for (int i = 0; i < UploadWriter::kMaxQueuedFiles + 4; ++i)
        first += "$VCFLE,1,f" + QByteArray::number(i) + "*" + QByteArray::number(i % 10);
    first += "$GPGSA,A,3*00";
    const QByteArray second = "$VCFLE,2,g*hi$GPGSA,A,2*00";
    m_session->receive(first);
    m_session->receive(second);
    QCOMPARE(held.count(), 1);
    QCOMPARE(held.first().first().toBool(), true);
    QVERIFY(!m_reports->state.mode);

    gate.release(1000);
    m_session->waitForUploads();
    QCOMPARE(held.last().first().toBool(), false);
    QStringList expected;
    for (int i = 0; i < UploadWriter::kMaxQueuedFiles + 4; ++i) {
        QCOMPARE(fileContents(QStringLiteral("uploads/f%1").arg(i)), QByteArray::number(i % 10));
        expected << QStringLiteral("文件已接收：%1/uploads/f%2（1字节）").arg(QDir::currentPath()).arg(i);
    }
    expected << QStringLiteral("文件已接收：%1/uploads/g（2字节）").arg(QDir::currentPath());
    QCOMPARE(m_reports->messages, expected);
    QCOMPARE(fileContents("uploads/g"), QByteArray("hi"));
    QCOMPARE(*m_reports->state.mode, FixMode::TwoD);
    QCOMPARE(m_reports->logged, first + "$VCFLE,2,g*hi$GPGSA,A,2*00");
}

QTEST_GUILESS_MAIN(TestGpsSession)
#include "test_gpssession.moc"
