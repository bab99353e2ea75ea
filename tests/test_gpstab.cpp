// The GPS tab end to end without its map: its serial and TCP sources, the
// raw log and the commands an attached device sends. The map's tests are
// in test_gpsmap.cpp.
#include "gpssession.h"
#include "gpstabfixture.h"
#include "nmeacapture.h"
#include "ptypair.h"
#include "receiveview.h"
#include "satelliteviews.h"
#include "serialportpanel.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtMath>
#include <QtTest>

#include <memory>

namespace {


// What a capture says, read here on its own terms: the last word on each
// satellite, the last GSA and GGA, and the fixes in order.
struct CaptureFacts
{
    struct InView
    {
        QByteArray elevation, azimuth, snr;
    };
    struct Fix
    {
        QByteArray time; // hhmmss of the epoch
        double latitude, longitude;
    };
    QMap<int, InView> satellites;
    QByteArrayList lastGsa, lastGga;
    QList<Fix> fixes;
};

double degrees(const QByteArray &nmea, const QByteArray &hemisphere)
{
    const int dot = nmea.indexOf('.');
    const double value = nmea.left(dot - 2).toDouble() + nmea.mid(dot - 2).toDouble() / 60.0;
    return hemisphere == "S" || hemisphere == "W" ? -value : value;
}

CaptureFacts factsOf(const QByteArray &stream)
{
    CaptureFacts facts;
    for (const QByteArray &line : stream.split('\n')) {
        const int start = line.indexOf('$');
        const int end = line.indexOf('*');
        if (start < 0 || end < start)
            continue;
        const QByteArrayList f = line.mid(start + 1, end - start - 1).split(',');
        const QByteArray type = f.at(0).mid(2);
        if (type == "GSV") {
            for (int at = 4; at + 3 < f.size(); at += 4)
                facts.satellites[f.at(at).toInt()] = {f.at(at + 1), f.at(at + 2), f.at(at + 3)};
        } else if (type == "GSA") {
            facts.lastGsa = f;
        }
        const bool valid = (type == "RMC" && f.value(2) == "A")
                           || (type == "GGA" && !f.value(6).isEmpty() && f.value(6) != "0");
        if (type == "GGA")
            facts.lastGga = f;
        if (!valid)
            continue;
        const int at = type == "RMC" ? 3 : 2;
        const QByteArray time = f.at(1).left(6);
        if (facts.fixes.isEmpty() || facts.fixes.last().time != time)
            facts.fixes.append({time, degrees(f.at(at), f.at(at + 1)),
                                degrees(f.at(at + 2), f.at(at + 3))});
    }
    return facts;
}

struct GpxPoint
{
    double latitude, longitude;
    QString time;
};

QList<GpxPoint> readGpx(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QList<GpxPoint> points;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("trkpt")) {
            points.append({xml.attributes().value("lat").toDouble(),
                           xml.attributes().value("lon").toDouble(), QString()});
        } else if (xml.name() == QLatin1String("time") && !points.isEmpty()) {
            points.last().time = xml.readElementText();
        }
    }
    if (xml.hasError())
        qWarning("%s", qPrintable(xml.errorString()));
    return points;
}

} // namespace

class TestGpsTab : public QObject, GpsTabFixture
{
    Q_OBJECT
private slots:
    void init() { makeTab(); }
    void cleanup()
    {
        m_pty.reset();
        m_tcpDevice.reset();
        dropTab();
    }

    void serialSourceShowsRawTextOrHexAndParses();
    void longReadIsLoggedAndParsed();
    void receivedMarkupIsShownAsText();
    void logStaysBounded();
    void skyIsShownAtOnceAndNothingTicksWhileQuiet();

    void tcpSourceServesOneClient();
    void dataOfAnotherClientIsDiscarded();
    void tcpTextIsDecodedAsOneStreamPerClient();

    void fileUploadStopsWhenSourceCloses();

    void captureShowsItsSkyDopsQualityAndTrack_data();
    void captureShowsItsSkyDopsQualityAndTrack();

private:
    void feedCapture(const QByteArray &stream, const QString &source);
    void checkTrackExport(const CaptureFacts &facts);

    // A closed source takes its satellites along: the devices stay on the
    // line until the test is done.
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TcpDevice> m_tcpDevice;
};

void TestGpsTab::serialSourceShowsRawTextOrHexAndParses()
{
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(m_tab->panel()->isOpen());
    QVERIFY(!child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());
    QVERIFY(m_tab->gpsSourceActive());

    device.write("$GPVTG,,T,,M,0.016,N,36.0,K,A*27\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_seed"), QStringLiteral("10.000m/s"));
    QCOMPARE(label(*m_tab, "label_gps_seed_2"), QStringLiteral("=36.0km/h"));
    QVERIFY(logText(*m_tab).contains("$GPVTG,,T,,M,0.016,N,36.0,K,A*27"));

    child<QCheckBox>(m_tab.get(), "checkBox_gps_re16")->setChecked(true);
    device.write("$GPGSA,A,2*00\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("2D定位"));
    QVERIFY(logText(*m_tab).contains("24 47 50 47 53 41 2C 41 2C 32 2A 30 30 0A "));

    m_tab->gpsSendToDevice("answer");
    QCOMPARE(device.read(6), QByteArray("answer"));

    device.write("$GLGSV,1,1,05*00\r\n$GPGSA,A,");
    QTRY_VERIFY(logText(*m_tab).endsWith("24 47 50 47 53 41 2C 41 2C "));
    QCOMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("05"));
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(!m_tab->gpsSourceActive());
    QVERIFY(child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());

    // Reopened, nothing of the last session is left: neither the start of a
    // sentence nor the satellites of a system no longer heard.
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("1*00\r\n$GPGSV,1,1,07*00\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("07"));
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("2D定位"));
}

void TestGpsTab::longReadIsLoggedAndParsed()
{
    const QByteArray read = QByteArray(2000, 'x') + "$GPGSA,A,3*33";
    m_tab->onSerialBytes(read);
    QVERIFY(logText(*m_tab).contains(QString::fromLatin1(read)));
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("3D定位"));
}

void TestGpsTab::receivedMarkupIsShownAsText()
{
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("<b>bold</b> & <img src=x>\n");
    QTRY_VERIFY(logText(*m_tab).contains("<b>bold</b> & <img src=x>"));

    // A number field that is not a number leaves its label as it was.
    m_tab->onSerialBytes("$GPGGA,,,,,,1,07,,183.8,M*00");
    QCOMPARE(label(*m_tab, "label_lgps_high"), QStringLiteral("183.8米"));
    m_tab->onSerialBytes("$GPGGA,,,,,,1,<b>9</b>,,<img src=\"/some/file.png\">,M*00");
    QCOMPARE(label(*m_tab, "label_lgps_high"), QStringLiteral("183.8米"));
    QCOMPARE(label(*m_tab, "label_gps_num"), QStringLiteral("07"));
}

void TestGpsTab::logStaysBounded()
{
    const QString line = QStringLiteral("$GPGGA,143252.00,4002.10513,N,07531.20562,W,1,07*61");
    for (int i = 0; i < 2000; ++i)
        m_tab->onSerialBytes((line + QString::number(i)).toLatin1());
    const QTextEdit *log = child<QTextEdit>(m_tab.get(), "recvEdit_gps");
    // The log keeps 30720 characters of its lines' HTML; the view shows
    // exactly the lines kept, a paragraph each.
    const LineLog &kept = m_tab->logView()->log();
    QVERIFY(kept.charCount() <= 30720);
    QVERIFY(kept.charCount() > 30720 - 500);
    QCOMPARE(log->document()->blockCount(), kept.lineCount());
    QVERIFY(log->toPlainText().endsWith(line + "1999"));
    QVERIFY(!log->toPlainText().contains(line + "0\n"));
    // Whole lines leave: the first one left is complete.
    QVERIFY(log->toPlainText().startsWith(line));

    // One read's thousands of lines keep the same bound, newest last.
    QByteArray uploads;
    for (int i = 0; i < 3000; ++i)
        uploads += "$VCFLE,0,f" + QByteArray::number(i) + "*";
    m_tab->onSerialBytes(uploads);
    m_tab->session()->waitForUploads();
    QVERIFY(kept.charCount() <= 30720);
    QCOMPARE(log->document()->blockCount(), kept.lineCount());
    QVERIFY(log->toPlainText().endsWith("f2999（0字节）"));
}

// Told, not polled: a read's satellites and track are shown when the read
// is done, and once they are, a quiet open port leaves every timer of the
// tab and its session stopped.
void TestGpsTab::skyIsShownAtOnceAndNothingTicksWhileQuiet()
{
    const QByteArray fixAndSky =
        "$GPRMC,120000.00,A,3150.7282,N,11711.9288,E,,,010120,,*00\r\n"
        "$GPGSV,1,1,02,05,45,120,40,12,30,250,35*00\r\n";
    auto *sky = child<SkyView>(m_tab.get(), "gps_skyView");
    sky->resize(300, 240);
    m_tab->onSerialBytes(fixAndSky);
    QCOMPARE(sky->placed().size(), 2);
    QCOMPARE(label(*m_tab, "label_gps_track"), QStringLiteral("轨迹：1个点"));

    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(sky->placed().isEmpty());
    device.write(fixAndSky);
    QTRY_COMPARE(sky->placed().size(), 2);
    QStringList running;
    QTRY_VERIFY2(
        [&] {
            running.clear();
            for (const QTimer *timer : m_tab->findChildren<QTimer *>()) {
                if (timer->isActive())
                    running << timer->parent()->metaObject()->className();
            }
            return running.isEmpty();
        }(),
        qPrintable(running.join(' ')));
}

void TestGpsTab::tcpSourceServesOneClient()
{
    listen();
    QVERIFY(logText(*m_tab).contains(QStringLiteral("监听成功")));
    QCOMPARE(child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->text(), QStringLiteral("停止"));
    QCOMPARE(label(*m_tab, "gps_tcp_server_listenAddress"),
             QStringLiteral("0.0.0.0:%1").arg(m_tab->tcpServer()->port()));
    QVERIFY(!child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());

    TcpDevice device(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知:[127.0.0.1:%1]")
                                             .arg(device.socket.localPort())));
    TcpDevice second(*m_tab);
    QTRY_COMPARE(second.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 1);

    device.send("$GPGGA,1,,,,,1,05,1.0,12.5,M*00\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_num"), QStringLiteral("05"));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("[127.0.0.1:%1]").arg(device.socket.localPort())));
    QVERIFY(logText(*m_tab).contains("$GPGGA,1,,,,,1,05"));

    device.socket.disconnectFromHost();
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("下线通知")));
    // The place is free again.
    TcpDevice third(*m_tab);
    QTRY_COMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 2);

    child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->click();
    QVERIFY(!m_tab->tcpServer()->isOpen());
    QVERIFY(logText(*m_tab).contains(QStringLiteral("停止监听成功")));
    QCOMPARE(child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->text(), QStringLiteral("监听"));
    QVERIFY(child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());
    QTRY_COMPARE(third.socket.state(), QAbstractSocket::UnconnectedState);
}

void TestGpsTab::dataOfAnotherClientIsDiscarded()
{
    listen();
    TcpDevice device(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
    // As if a second client had slipped in: its data must not be parsed.
    emit m_tab->tcpServer()->chunkReceived({{4242, "10.0.0.9", 1}, "$GPGSA,A,1*00"});
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("-"));
    device.send("$GPGSA,A,3*00");
    QTRY_COMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("3D定位"));
    QVERIFY(!logText(*m_tab).contains("10.0.0.9"));
}

void TestGpsTab::tcpTextIsDecodedAsOneStreamPerClient()
{
    listen();
    auto device = std::make_unique<TcpDevice>(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
    // "速度12" in GB18030, its second character split between two reads.
    device->send("\xCB\xD9\xB6");
    QTRY_VERIFY(logText(*m_tab).endsWith(QStringLiteral("速")));
    device->send("\xC8" "12");
    QTRY_VERIFY(logText(*m_tab).endsWith(QStringLiteral("度12")));

    // A client that leaves halfway through a character takes it along, and
    // its satellites with it.
    device->send("$GLGSV,1,1,05*00\r\n\xD6");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("05"));
    device.reset();
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("下线通知")));
    TcpDevice next(*m_tab);
    QTRY_COMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 2);
    next.send("AB$GPGSV,1,1,07*00");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("07"));
    QVERIFY(logText(*m_tab).endsWith("AB$GPGSV,1,1,07*00"));
}

void TestGpsTab::fileUploadStopsWhenSourceCloses()
{
    listen();
    {
        TcpDevice device(*m_tab);
        QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
        device.send("$VCFLE,100,half.bin*0123456789");
        QTRY_VERIFY(m_tab->session()->uploadInProgress());
        device.socket.disconnectFromHost();
        QTRY_VERIFY(!m_tab->session()->uploadInProgress());
    }
    QVERIFY(!QFile::exists("half.bin"));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("未写入")));

    // The serial source the same way: the adapter is pulled out.
    child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->click();
    child<QComboBox>(m_tab.get(), "gps_com")->setCurrentIndex(0);
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("$VCFLE,100,half.bin*0123");
    QTRY_VERIFY(m_tab->session()->uploadInProgress());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(!m_tab->session()->uploadInProgress());
    QVERIFY(!QFile::exists("half.bin"));
}

void TestGpsTab::captureShowsItsSkyDopsQualityAndTrack_data()
{
    QTest::addColumn<QString>("capture");
    QTest::addColumn<QString>("source");
    QTest::newRow("SiRF IV, serial port") << "bu353s4.log" << "serial";
    QTest::newRow("u-blox 6") << "gr601-w.log" << "read";
    QTest::newRow("u-blox 4, starts without fix") << "ublox-lea-4h.log" << "read";
    QTest::newRow("generic, TCP client") << "tcp-test.log" << "tcp";
}

void TestGpsTab::feedCapture(const QByteArray &stream, const QString &source)
{
    if (source == "serial") {
        m_pty = std::make_unique<PtyPair>();
        child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(m_pty->slavePath());
        child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
        QVERIFY(m_pty->write(stream));
        QTRY_VERIFY(logText(*m_tab).contains(QString::fromLatin1(stream.right(20).trimmed())));
    } else if (source == "tcp") {
        listen();
        m_tcpDevice = std::make_unique<TcpDevice>(*m_tab);
        QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
        m_tcpDevice->send(stream);
        QTRY_VERIFY(logText(*m_tab).contains(QString::fromLatin1(stream.right(20).trimmed())));
    } else {
        for (int at = 0; at < stream.size(); at += 100)
            m_tab->onSerialBytes(stream.mid(at, 100));
    }
}

// Sky, bars, DOPs and quality as the capture last told them, whichever
// source brought it; then its track.
void TestGpsTab::captureShowsItsSkyDopsQualityAndTrack()
{
    QFETCH(QString, capture);
    QFETCH(QString, source);
    const QByteArray stream = nmeaCapture(capture);
    const CaptureFacts facts = factsOf(stream);
    auto *sky = child<SkyView>(m_tab.get(), "gps_skyView");
    auto *bars = child<SnrView>(m_tab.get(), "gps_snrView");
    sky->resize(300, 240);
    bars->resize(500, 150);
    feedCapture(stream, source);
    if (QTest::currentTestFailed())
        return;

    QSet<int> used;
    for (int k = 3; k <= 14; ++k) {
        if (!facts.lastGsa.at(k).isEmpty())
            used << facts.lastGsa.at(k).toInt();
    }
    // Every satellite with a position where its angles put it, north up.
    int withPosition = 0;
    for (const CaptureFacts::InView &satellite : facts.satellites)
        withPosition += !satellite.elevation.isEmpty() && !satellite.azimuth.isEmpty();
    QTRY_COMPARE(sky->placed().size(), withPosition);
    for (const SkyView::Placed &placed : sky->placed()) {
        const CaptureFacts::InView heard = facts.satellites.value(placed.number);
        const double distance = sky->plotRadius() * (90 - heard.elevation.toInt()) / 90.0;
        const double angle = heard.azimuth.toInt() * M_PI / 180.0;
        const QPointF expected = sky->plotCentre() + QPointF(distance * std::sin(angle),
                                                             -distance * std::cos(angle));
        QVERIFY2(QLineF(placed.centre, expected).length() < 1e-6,
                 qPrintable(QString::number(placed.number)));
        QCOMPARE(placed.used, used.contains(placed.number));
    }
    // A bar for each satellite in view, as high as its SNR, grouped by system.
    const QVector<SnrView::Bar> shown = bars->bars();
    QCOMPARE(shown.size(), facts.satellites.size());
    for (int i = 0; i < shown.size(); ++i) {
        const SnrView::Bar &bar = shown.at(i);
        const QByteArray snr = facts.satellites.value(bar.number).snr;
        QCOMPARE(bar.rect.isEmpty(), snr.isEmpty() || snr.toInt() == 0);
        if (!bar.rect.isEmpty()) {
            QCOMPARE(bar.rect.height(), bars->plotArea().height() * snr.toInt() / SnrView::kTopSnr);
            QCOMPARE(bar.rect.bottom(), bars->plotArea().bottom());
        }
        QCOMPARE(bar.used, used.contains(bar.number));
        if (i > 0)
            QVERIFY(int(shown.at(i - 1).system) <= int(bar.system));
    }
    const auto dop = [](const QByteArray &text) {
        return text.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(text);
    };
    QCOMPARE(label(*m_tab, "label_gps_pdop"), dop(facts.lastGsa.at(15)));
    QCOMPARE(label(*m_tab, "label_gps_hdop"), dop(facts.lastGsa.at(16)));
    QCOMPARE(label(*m_tab, "label_gps_vdop"), dop(facts.lastGsa.at(17)));
    QCOMPARE(label(*m_tab, "label_gps_quality"),
             facts.lastGga.at(6) == "1" ? QStringLiteral("GPS") : QStringLiteral("无定位"));

    checkTrackExport(facts);
}

// Every valid fix in order, read back by an XML reader and by a program
// that knows GPX.
void TestGpsTab::checkTrackExport(const CaptureFacts &facts)
{
    const QString path = m_workDir->filePath("track.gpx");
    // Cancelled, the export leaves no file behind.
    m_dialogs.fileAnswers.enqueue(path);
    m_dialogs.progressCancelAt.enqueue(1);
    child<QPushButton>(m_tab.get(), "gps_exportTrack")->click();
    QVERIFY(waitRunning([this] { return !m_tab->exportingTrack(); }));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("已取消导出轨迹")));
    QVERIFY(!QFile::exists(path));

    m_dialogs.fileAnswers.enqueue(path);
    child<QPushButton>(m_tab.get(), "gps_exportTrack")->click();
    QVERIFY(waitRunning([this] { return !m_tab->exportingTrack(); }));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("轨迹已导出")));
    const QList<GpxPoint> points = readGpx(path);
    QCOMPARE(points.size(), facts.fixes.size());
    QString lastTime;
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY(qAbs(points.at(i).latitude - facts.fixes.at(i).latitude) < 2e-7);
        QVERIFY(qAbs(points.at(i).longitude - facts.fixes.at(i).longitude) < 2e-7);
        // Each time is its epoch's, and time only goes forward.
        const QString time = points.at(i).time;
        QCOMPARE(time.mid(11, 8).remove(':'), QString::fromLatin1(facts.fixes.at(i).time));
        QVERIFY(time > lastTime);
        lastTime = time;
    }

    const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (gpsbabel.isEmpty())
        QSKIP("gpsbabel is not installed (scripts/install-deps installs it)");
    QProcess reader;
    reader.start(gpsbabel, {"-t", "-i", "gpx", "-f", path, "-o", "unicsv", "-F",
                            m_workDir->filePath("track.csv")});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.readAllStandardError(), QByteArray());
    QCOMPARE(reader.exitCode(), 0);
    QFile csv(m_workDir->filePath("track.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), points.size() + 1);

    // A file that cannot be written is said so, in the log and in a box.
    m_dialogs.clear();
    m_dialogs.fileAnswers.enqueue(m_workDir->filePath("missing/track.gpx"));
    child<QPushButton>(m_tab.get(), "gps_exportTrack")->click();
    QVERIFY(waitRunning([this] { return !m_tab->exportingTrack(); }));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("无法导出轨迹")));
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);

    // Cleared, there is nothing to export.
    m_dialogs.clear();
    child<QPushButton>(m_tab.get(), "gps_clearTrack")->click();
    child<QPushButton>(m_tab.get(), "gps_exportTrack")->click();
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Information), 1);
}

QTEST_MAIN(TestGpsTab)
#include "test_gpstab.moc"
