// The GPS tab's map: the page follows the fixes and the device's commands,
// draws its offline view and hands out pictures of itself. These tests load
// the web module.
#include "gpssession.h"
#include "gpstabfixture.h"
#include "localhttpserver.h"
#include "mappage.h"
#include "nmeacapture.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

#include <climits>
#include <cmath>

namespace {

const char kTilesVariable[] = "ZENTRIK_MAP_TILES";


// The map page's own account of what it shows.
QJsonObject mapState(GpsTab &tab)
{
    QJsonObject state;
    bool done = false;
    tab.mapView()->runScript(QStringLiteral("JSON.stringify(map_state());"),
                             [&](const QVariant &result) {
                                 state = QJsonDocument::fromJson(result.toString().toUtf8()).object();
                                 done = true;
                             });
    if (!waitRunning([&] { return done; }, 20000))
        qWarning("the map page did not answer");
    return state;
}

// The page's picture of the map, `size` pixels large.
QImage mapPicture(GpsTab &tab, const QSize &size)
{
    QImage picture;
    tab.mapView()->renderPicture(size, [&](const QImage &image) { picture = image; });
    if (!waitRunning([&] { return !picture.isNull(); }, 30000))
        qWarning("no picture of the map");
    return picture;
}

// Where a point lies in a picture centred on `centre`, on the Web Mercator
// projection of tiled maps.
QPoint pixelOf(const MapPoint &point, const MapPoint &centre, int zoom, const QSize &size)
{
    const double world = 256.0 * std::pow(2.0, zoom);
    const auto x = [&](double lng) { return (lng + 180.0) / 360.0 * world; };
    const auto y = [&](double lat) {
        const double phi = lat * M_PI / 180.0;
        return (1.0 - std::log(std::tan(phi) + 1.0 / std::cos(phi)) / M_PI) / 2.0 * world;
    };
    return {int(std::lround(size.width() / 2 + x(point.longitude) - x(centre.longitude))),
            int(std::lround(size.height() / 2 + y(point.latitude) - y(centre.latitude)))};
}

QByteArray solidPng(QColor colour)
{
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestGpsMap : public QObject, GpsTabFixture
{
    Q_OBJECT
private slots:
    void init() { makeTab(); }
    void cleanup() { dropTab(); }

    void realCaptureEndsWithItsLastFix_data();
    void realCaptureEndsWithItsLastFix();

    void mapPageWaitsUntilTheTabIsShown();
    void mapFollowsFixesAndRefusesScriptText();
    void mapPageFetchesOnlyFromTheTileServer();
    void settingsCommandChangesZoomAndMapType();
    void locateCommandSendsRgb565Picture();
    void locateCommandSendsJpegWhenAsked();
    void offlineViewDrawsOutlinesTrackAndMarker();
    void onlinePictureArrivesWhileAnotherTabShows();

    void simulatorDrivesTheTabAndGetsItsPicture();
};

void TestGpsMap::realCaptureEndsWithItsLastFix_data()
{
    QTest::addColumn<QString>("file");
    // Reads of 97 bytes cut sentences anywhere; a whole capture in one read
    // is a fast receiver's backlog.
    QTest::addColumn<int>("readSize");
    QTest::addColumn<QStringList>("expected"); // the labels, in the order of `names` below
    QTest::newRow("bu353s4")
        << "bu353s4.log" << 97
        << QStringList{"-37.7847950S", "=37°47.0877'S", "175.3149016E", "=175°18.8941'E",
                       "2014年12月31日", "03时07分43.000秒", "2014年12月31日", "11时07分43.000秒",
                       "60.2米", "07", "12", "3D定位"};
    const QStringList gr601w{"40.0350840N", "=40°02.10504'N", "-075.5200873W", "=075°31.20524'W",
                             "2013年10月24日", "14时33分00.000秒", "2013年10月24日", "22时33分00.000秒",
                             "183.3米", "07", "11", "3D定位"};
    QTest::newRow("gr601-w") << "gr601-w.log" << 97 << gr601w;
    QTest::newRow("gr601-w in one read") << "gr601-w.log" << INT_MAX << gr601w;
    QTest::newRow("tcp-test")
        << "tcp-test.log" << 97
        << QStringList{"20.6287983N", "=20°37.7279'N", "-087.0680800W", "=087°04.0848'W",
                       "2007年12月23日", "19时32分21.000秒", "2007年12月24日", "03时32分21.000秒",
                       "-30.40米", "04", "12", "3D定位"};
    QTest::newRow("ublox-lea-4h")
        << "ublox-lea-4h.log" << 97
        << QStringList{"49.1261363N", "=49°07.56818'N", "-122.7101773W", "=122°42.61064'W",
                       "2006年08月10日", "03时15分18.000秒", "2006年08月10日", "11时15分18.000秒",
                       "98.5米", "09", "13", "3D定位"};
}

void TestGpsMap::realCaptureEndsWithItsLastFix()
{
    QFETCH(QString, file);
    QFETCH(int, readSize);
    QFETCH(QStringList, expected);
    const QByteArray stream = nmeaCapture(file);
    for (int at = 0; at < stream.size(); at += readSize)
        m_tab->onSerialBytes(stream.mid(at, readSize));
    const char *names[] = {"label_longitude",    "label_longitude_2",   "label_latitude",
                           "label_latitude_2",   "label_gps_utc_data",  "label_gps_utc_time",
                           "label_gps_utc8_data", "label_gps_utc8_time", "label_lgps_high",
                           "label_gps_num",      "label_gps_num_view",  "label_gps_location"};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(label(*m_tab, names[i]), expected.at(i));
    // The map shows the same fix (western longitudes included).
    const QJsonObject state = mapState(*m_tab);
    QCOMPARE(state.value("lat").toDouble(), expected.at(0).chopped(1).toDouble());
    QCOMPARE(state.value("lng").toDouble(), expected.at(2).chopped(1).toDouble());
}

void TestGpsMap::mapPageWaitsUntilTheTabIsShown()
{
    m_tab->onSerialBytes("$GPRMC,120000.00,A,3150.7282,N,11711.9288,E,,,010120,,*00\r\n"
                         "$GPRMC,120001.00,A,3150.7382,N,11711.9288,E,,,010120,,*00\r\n"
                         "$GPRMC,120002.00,A,3150.7382,N,11711.9288,E,,,010120,,*00\r\n"
                         "$VCSET,15,S*00\r\n"
                         "$GPRMC,120003.00,A,3150.7482,N,11711.9388,E,,,010120,,*00\r\n");
    QVERIFY(!m_tab->hasMapView());
    QVERIFY(!m_tab->findChild<QWidget *>("webView_gps"));

    m_tab->show();
    QVERIFY(m_tab->hasMapView());
    const QJsonObject state = mapState(*m_tab);
    QCOMPARE(state.value("track").toInt(), 3);
    QCOMPARE(state.value("lat").toDouble(), 31.8458033);
    QCOMPARE(state.value("lng").toDouble(), 117.19898);
    QCOMPARE(state.value("zoom").toInt(), 15);
    QCOMPARE(state.value("satellite").toBool(), true);
}

void TestGpsMap::mapFollowsFixesAndRefusesScriptText()
{
    m_tab->onSerialBytes("$GPRMC,120000.00,A,3150.7282,N,11711.9288,E,,,010120,,*00");
    QJsonObject state = mapState(*m_tab);
    QCOMPARE(state.value("lat").toDouble(), 31.84547);
    QCOMPARE(state.value("lng").toDouble(), 117.1988133);
    QCOMPARE(state.value("track").toInt(), 1);
    QCOMPARE(state.value("online").toBool(), false);

    m_tab->onSerialBytes(
        "$GPRMC,120001.00,A,3150.7282,N,1.0);document.title='owned';(1,E,,,010120*00");
    m_tab->onSerialBytes("$VCLOC,0);document.title='owned';(0,N,11711.9288,E*00");
    state = mapState(*m_tab);
    QCOMPARE(state.value("track").toInt(), 1);
    QVERIFY(m_tab->mapView()->pageTitle() != QStringLiteral("owned"));
    // The time of a fix with bad coordinates still counts.
    QCOMPARE(label(*m_tab, "label_gps_utc_time"), QStringLiteral("12时00分01.000秒"));

    // A void fix leaves the map where it was.
    m_tab->onSerialBytes("$GPRMC,120002.00,V,3000.0000,N,11000.0000,E,,,010120*00");
    state = mapState(*m_tab);
    QCOMPARE(state.value("lat").toDouble(), 31.84547);
    QCOMPARE(label(*m_tab, "label_gps_utc_time"), QStringLiteral("12时00分02.000秒"));
}

void TestGpsMap::mapPageFetchesOnlyFromTheTileServer()
{
    LocalHttpServer tiles, elsewhere;
    tiles.serve("/tile.png", solidPng(Qt::green));
    elsewhere.serve("/x.png", solidPng(Qt::red));
    const QByteArray before = qgetenv(kTilesVariable);
    qputenv(kTilesVariable, tiles.url("/tile.png").toEncoded() + "#{z}/{x}/{y}");
    m_tab->mapView()->runScript(
        QStringLiteral("new Image().src = '%1'; fetch('%1').catch(function () {});"
                       "window.open('%1'); new Image().src = '%2';")
            .arg(elsewhere.url("/x.png").toString(), tiles.url("/tile.png").toString()));
    QVERIFY(waitRunning([&] { return tiles.requests.contains("/tile.png"); }, 20000));
    QVERIFY(!waitRunning([&] { return !elsewhere.requests.isEmpty(); }, 200));
    qputenv(kTilesVariable, before);
    QCOMPARE(elsewhere.requests, QStringList());
}

void TestGpsMap::settingsCommandChangesZoomAndMapType()
{
    QCOMPARE(mapState(*m_tab).value("zoom").toInt(), 12);
    m_tab->onSerialBytes("$VCSET,20*00");
    QCOMPARE(mapState(*m_tab).value("zoom").toInt(), 12);
    m_tab->onSerialBytes("$VCSET,3,S*00");
    QJsonObject state = mapState(*m_tab);
    QCOMPARE(state.value("zoom").toInt(), 3);
    QCOMPARE(state.value("satellite").toBool(), true);
    m_tab->onSerialBytes("$VCSET,19,N*00");
    state = mapState(*m_tab);
    QCOMPARE(state.value("zoom").toInt(), 19);
    QCOMPARE(state.value("satellite").toBool(), false);

    // "VCPLO" only moves the map: no picture, no change to the receiver's fix.
    QSignalSpy sent(m_tab.get(), &GpsTab::pictureSent);
    m_tab->onSerialBytes("$VCPLO,3747.0877,S,17518.8941,E*00");
    state = mapState(*m_tab);
    QCOMPARE(state.value("lat").toDouble(), -37.784795);
    QCOMPARE(state.value("lng").toDouble(), 175.3149016);
    QCOMPARE(sent.count(), 0);
    QVERIFY(!m_tab->session()->record().hasPosition());
}

void TestGpsMap::locateCommandSendsRgb565Picture()
{
    listen();
    TcpDevice device(*m_tab);
    QSignalSpy sent(m_tab.get(), &GpsTab::pictureSent);
    QVERIFY(!m_tab->hasMapView()); // the picture brings the page up
    device.send("$VCLOC,3150.7282,N,11711.9288,E*00\r\n");
    QVERIFY(waitRunning([&] { return !sent.isEmpty(); }, 30000));
    QCOMPARE(sent.count(), 1);
    const QByteArray frame = device.receive(153609);
    QCOMPARE(frame.size(), 153609);
    QCOMPARE(frame.left(7), QByteArray("\x24\x02\xFD\x00\x58\x02\x00", 7));
    QCOMPARE(frame.right(2), QByteArray("\xFD\x02"));
    // The map is drawn there, not a blank picture.
    QVERIFY(frame.mid(7, 153600).count('\0') < 153600 / 2);
    QCOMPARE(mapState(*m_tab).value("lat").toDouble(), 31.84547);
    // The stored fix is the receiver's, not the device's.
    QVERIFY(!m_tab->session()->record().hasPosition());
}

void TestGpsMap::locateCommandSendsJpegWhenAsked()
{
    listen();
    TcpDevice device(*m_tab);
    QSignalSpy sent(m_tab.get(), &GpsTab::pictureSent);
    device.send("$VCSET,15,N,JPG,200,100*00\r\n$VCLOC,4002.10513,N,07531.20562,W*00\r\n");
    QVERIFY(waitRunning([&] { return !sent.isEmpty(); }, 30000));
    QCOMPARE(sent.count(), 1);
    const int frameSize = sent.first().first().toInt();
    const QByteArray frame = device.receive(frameSize);
    QCOMPARE(frame.size(), frameSize);
    const quint32 length = quint8(frame[3]) | quint8(frame[4]) << 8 | quint8(frame[5]) << 16
        | quint32(quint8(frame[6])) << 24;
    QCOMPARE(int(length), frameSize - 9);
    const QImage picture = QImage::fromData(frame.mid(7, int(length)), "JPG");
    QCOMPARE(picture.size(), QSize(200, 100));
    const QJsonObject state = mapState(*m_tab);
    QCOMPARE(state.value("lat").toDouble(), 40.0350855);
    QCOMPARE(state.value("lng").toDouble(), -75.5200936);
    QCOMPARE(state.value("zoom").toInt(), 15);
    QVERIFY(!QFile::exists("save.jpg"));
}

void TestGpsMap::offlineViewDrawsOutlinesTrackAndMarker()
{
    // Off the coast of Spain, tiles unreachable.
    const MapPoint start{35.9, -0.1};
    const MapPoint centre{36.0, 0.0};
    m_tab->mapView()->setZoom(5);
    m_tab->mapView()->moveTo(start);
    m_tab->mapView()->moveTo(centre);
    const QSize size(400, 300);
    const QImage picture = mapPicture(*m_tab, size);
    QCOMPARE(picture.size(), size);
    QCOMPARE(mapState(*m_tab).value("online").toBool(), false);

    const auto colourAt = [&](const MapPoint &point) {
        return picture.pixelColor(pixelOf(point, centre, 5, size)).name();
    };
    const QString madrid = colourAt({40.4168, -3.7038});
    const QString toledo = colourAt({39.8628, -4.0273});
    const QString balearicSea = colourAt({38.5, 6.5});
    QCOMPARE(madrid, toledo);
    QVERIFY2(madrid != balearicSea, qPrintable(madrid));
    // The marker above the point, the track leading to it.
    QCOMPARE(picture.pixelColor(size.width() / 2, size.height() / 2 - 20).name(),
             QStringLiteral("#e02020"));
    QCOMPARE(colourAt({35.95, -0.05}), QStringLiteral("#2a62c9"));
}

void TestGpsMap::onlinePictureArrivesWhileAnotherTabShows()
{
    LocalHttpServer tiles;
    tiles.serve("/tile.png", solidPng(Qt::green));
    const QByteArray before = qgetenv(kTilesVariable);
    qputenv(kTilesVariable, tiles.url("/tile.png").toEncoded() + "#{z}/{x}/{y}");

    QTabWidget window;
    window.addTab(new QWidget, "other");
    window.addTab(m_tab.get(), "GPS");
    window.resize(300, 200);
    window.show();
    listen();
    TcpDevice device(*m_tab);
    QSignalSpy sent(m_tab.get(), &GpsTab::pictureSent);
    device.send("$VCSET,15,N,RGB565,320,240*00\r\n$VCLOC,3150.7282,N,11711.9288,E*00\r\n");
    QVERIFY(waitRunning([&] { return !sent.isEmpty(); }, 30000));
    QCOMPARE(sent.count(), 1);
    const QByteArray frame = device.receive(153609);
    qputenv(kTilesVariable, before);
    window.removeTab(1);
    m_tab->setParent(nullptr);

    QVERIFY(!m_tab->isVisible());
    QVERIFY(!tiles.requests.isEmpty());
    QCOMPARE(frame.size(), 153609);
    // Tile pixels (pure green in RGB565) away from the marker, the logo and
    // the controls.
    const auto pixel = [&](int x, int y) {
        const int at = 7 + 2 * (y * 320 + x);
        return quint16(quint8(frame[at]) | quint8(frame[at + 1]) << 8);
    };
    QCOMPARE(pixel(280, 60), quint16(0x07E0));
    QCOMPARE(pixel(60, 120), quint16(0x07E0));

    // The view that drew it is no window of the user's: closing the last
    // one still ends the program.
    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer stuck;
    stuck.callOnTimeout([] { QCoreApplication::exit(1); });
    stuck.start(20000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestGpsMap::simulatorDrivesTheTabAndGetsItsPicture()
{
    listen();
    QProcess sim;
    sim.setWorkingDirectory(m_workDir->path());
    sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
              {"gps", "--tcp", QStringLiteral("127.0.0.1:%1").arg(m_tab->tcpServer()->port()),
               "--rate", "2", "--cycles", "3", "--command", "VCSET,16,S,RGB565,64,48",
               "--command", "VCLOC,3150.7282,N,11711.9288,E"});
    QVERIFY(sim.waitForStarted());
    QVERIFY(waitRunning([&] { return sim.state() == QProcess::NotRunning; }, 60000));
    const QString output = QString::fromUtf8(sim.readAllStandardOutput());
    QVERIFY2(output.contains("picture frame 1: 6144 bytes, RGB565, 64x48, saved as"),
             qPrintable(output));
    QVERIFY(QImage(QDir(m_workDir->path()).filePath("gps-picture-1.png")).size() == QSize(64, 48));
    // The synthetic lap: the satellites in view of four systems add up, and
    // so do those used, one GSA per system.
    QCOMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("19"));
    QCOMPARE(label(*m_tab, "label_gps_num"), QStringLiteral("16"));
    QCOMPARE(label(*m_tab, "label_gps_hdop"), QStringLiteral("0.9"));
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("3D定位"));
    QVERIFY(label(*m_tab, "label_longitude").endsWith('N'));
    QCOMPARE(label(*m_tab, "label_gps_utc_time"), QStringLiteral("08时00分02.000秒"));
}

QTEST_MAIN(TestGpsMap)
#include "test_gpsmap.moc"
