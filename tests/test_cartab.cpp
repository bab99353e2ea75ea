// The car tab with a pseudo-terminal or a socket as the car: its settings
// fix the frame lengths at open, frames reach the camera page and the other
// views, network sources say why they cannot open, the device simulator's
// frames show up as a live picture, and text lines, JustFloat frames and
// frames of a format the user described reach the oscilloscope.
#include "cameraview.h"
#include "cartab.h"
#include "ccdview.h"
#include "capturecontrols.h"
#include "ciplineedit.h"
#include "customframes.h"
#include "fakeports.h"
#include "frameview.h"
#include "hextext.h"
#include "imagewidget.h"
#include "loopbacksockets.h"
#include "ptypair.h"
#include "rawbytes.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "simulatorprocess.h"
#include "sourceselector.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <cstring>

Q_DECLARE_METATYPE(CarLink::FrameLengths)

namespace {

QImage shownImage(const ImageWidget *picture)
{
    return picture->image();
}

// Five samples of two channels, exact in a float, and each protocol's bytes
// for them with a malformed piece between the fourth and the fifth.
const QVector<QVector<float>> kRows = {{1.5f, -2}, {3, 4.25f}, {-0.5f, 1000}, {0.25f, 7}, {8, -9}};

QByteArray streamOf(CarTab::Protocol protocol, const char *textFormat)
{
    QByteArray stream;
    for (int row = 0; row < kRows.size(); ++row) {
        const QVector<float> &values = kRows[row];
        const QByteArray a = QByteArray::number(values[0]);
        const QByteArray b = QByteArray::number(values[1]);
        if (row == kRows.size() - 1) {
            if (protocol == CarTab::Protocol::CarFrames)
                stream += bytes({0x03, 0xFC, 0x01, 0x02});
            else if (protocol == CarTab::Protocol::JustFloat)
                stream += justFloatFrame({5});
            else if (protocol == CarTab::Protocol::CustomFrames)
                stream += pairFramesToDrop();
            else
                stream += "speed:1,err:oops\n1,zz\nboot ok\n";
        }
        if (protocol == CarTab::Protocol::CarFrames)
            stream += CarLink::buildFrame(3, floatBytes(values));
        else if (protocol == CarTab::Protocol::JustFloat)
            stream += justFloatFrame(values);
        else if (protocol == CarTab::Protocol::CustomFrames)
            stream += pairFrame(values[0], values[1]);
        else if (qstrcmp(textFormat, "plain") == 0)
            stream += a + ",\t" + b + "\r\n";
        else if (qstrcmp(textFormat, "labelled") == 0)
            stream += "speed:" + a + ",err: " + b + "\n";
        else
            stream += ">speed:" + a + "\n>err:123:" + b + "\n";
    }
    return stream;
}

const char *const kCameraSettings[] = {"car_imgBox",       "car_img_w",        "car_img_h",
                                       "car_bin_b",        "car_bin_l",        "car_img_color_1b",
                                       "car_img_color_0b", "car_img_rgb565_l", "car_img_rgb565_b"};

} // namespace

class TestCarTab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsWithItsPagesAndTheCameraDefaults();
    void openFixesTheSettingsAndTheFrameLengths_data();
    void openFixesTheSettingsAndTheFrameLengths();
    void framesReachTheCameraPageAndTheOtherViews();
    void bytesLeftAtCloseLeadTheNextOpen();
    void silenceBoxQuietsAFailedOpen();
    void networkSourcesSayWhyTheyCannotOpen();
    void openTcpServerFixesTheSettingsAndReadsItsClient();
    void tcpServerFeedsOneCarAndTurnsOthersAway();
    void udpFeedsOneCarAndCountsTheOthersDatagrams();
    void choosingANetworkSourceEndsSerialReconnection();
    void simulatorFramesShowAsAMovingPicture();
    void simulatorFramesHaveTheLengthsTheTabExpects_data();
    void simulatorFramesHaveTheLengthsTheTabExpects();
    void savedFramesGoOnAfterTheHighestNumberThere();
    void failedFrameSaveWhileFramesArriveHandlesEachOnce();
    void eachProtocolReachesTheOscilloscopeSplitAtEveryByte_data();
    void eachProtocolReachesTheOscilloscopeSplitAtEveryByte();
    void protocolIsFixedWhileOpenAndPicturesAreSaidToBeMissing();
    void frameFormatIsRefusedWhenItCannotWorkAndKeptWithItsCapture();
    void frameFormatFilesAreReadBoundedAndWrittenAsShown();

private:
    template <typename T>
    T *widget(const char *name)
    {
        return child<T>(m_tab.get(), QString::fromLatin1(name));
    }
    void setCamera(int mode, int width, int height, QSize display)
    {
        widget<QComboBox>("car_imgBox")->setCurrentIndex(mode);
        widget<QSpinBox>("car_img_w")->setValue(width);
        widget<QSpinBox>("car_img_h")->setValue(height);
        widget<ImageWidget>("car_img_original")->setFixedSize(display);
    }
    void open(const QString &path)
    {
        widget<QComboBox>("car_portBox")->setEditText(path);
        widget<QPushButton>("car_OpenCloseButton")->click();
        QVERIFY(m_tab->panel()->isOpen());
    }
    void clickOpenClose() { widget<QPushButton>("car_OpenCloseButton")->click(); }
    void applyFrameFormat(const QByteArray &json)
    {
        widget<QPlainTextEdit>("car_frame_json")->setPlainText(QString::fromUtf8(json));
        widget<QPushButton>("car_frame_apply")->click();
    }
    // Chooses the TCP server source on a port free a moment ago and returns
    // that port; the caller presses the listen button.
    quint16 chooseTcpServerOnFreePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return 0;
        const quint16 port = probe.serverPort();
        probe.close();
        widget<QComboBox>("car_com")->setCurrentIndex(CarTab::TcpServer);
        widget<QSpinBox>("car_tcp_port_s")->setValue(port);
        return port;
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<CarTab> m_tab;
};

void TestCarTab::init()
{
    // Answers and hooks of the last test (which may hold its locals) go too.
    m_dialogs = ScriptedDialogs();
    m_tab = std::make_unique<CarTab>(m_dialogs, m_ports.source());
}

void TestCarTab::cleanup()
{
    m_tab.reset();
}

void TestCarTab::startsWithItsPagesAndTheCameraDefaults()
{
    auto *pages = widget<QTabWidget>("car_tabWidget");
    QCOMPARE(pages->count(), 6);
    QCOMPARE(pages->tabText(3), QStringLiteral("参数调节"));
    QCOMPARE(pages->tabText(4), QStringLiteral("阶跃响应"));
    QCOMPARE(pages->tabText(0), QStringLiteral("摄像头"));
    QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("car_cam_tab"));

    auto *mode = widget<QComboBox>("car_imgBox");
    QCOMPARE(mode->count(), 3);
    QCOMPARE(mode->itemText(0), QStringLiteral("二值化图像"));
    QCOMPARE(mode->itemText(1), QStringLiteral("灰度图像"));
    QCOMPARE(mode->itemText(2), QStringLiteral("彩色图像"));
    QCOMPARE(mode->currentIndex(), 0);
    QCOMPARE(widget<QSpinBox>("car_img_w")->value(), 80);
    QCOMPARE(widget<QSpinBox>("car_img_h")->value(), 60);
    QCOMPARE(widget<QSpinBox>("car_img_h")->maximum(), 999);
    QCOMPARE(widget<QSpinBox>("car_thr_val")->value(), 128);
    for (const char *checked : {"car_bin_b", "car_img_color_1b", "car_img_rgb565_l"})
        QVERIFY2(widget<QRadioButton>(checked)->isChecked(), checked);
    QVERIFY(widget<QCheckBox>("car_img_save_checkBox")->isHidden());
    QVERIFY(widget<QLineEdit>("car_img_save_Edit")->isHidden());

    // The image mode picks the settings page; the bit order and the colour
    // choice of the binary page are independent of each other.
    auto *stacked = widget<QStackedWidget>("car_img_stacked");
    mode->setCurrentIndex(2);
    QCOMPARE(stacked->currentIndex(), 2);
    widget<QRadioButton>("car_bin_l")->click();
    QVERIFY(widget<QRadioButton>("car_img_color_1b")->isChecked());
}

void TestCarTab::openFixesTheSettingsAndTheFrameLengths_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("imageLength");
    QTest::newRow("binary, partial last byte") << 0 << 7 << 3 << 2;
    QTest::newRow("grey") << 1 << 80 << 60 << 4800;
    QTest::newRow("colour") << 2 << 160 << 120 << 38400;
}

void TestCarTab::openFixesTheSettingsAndTheFrameLengths()
{
    QFETCH(int, mode);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, imageLength);
    setCamera(mode, width, height, {320, 240});
    PtyPair car;
    open(car.slavePath());

    const CarLink::FrameLengths &lengths = m_tab->parser().frameLengths();
    QCOMPARE(lengths[0], 0);
    QCOMPARE(lengths[1], imageLength);
    QCOMPARE(lengths[2], m_tab->ccdView()->payloadLength());
    QCOMPARE(lengths[3], m_tab->scopeView()->payloadLength());
    QCOMPARE(widget<ImageWidget>("car_img_bin")->isHidden(), mode == 2);
    for (const char *name : kCameraSettings)
        QVERIFY2(!widget<QWidget>(name)->isEnabled(), name);
    QVERIFY(!widget<QWidget>("car_ccd_num")->isEnabled());
    QVERIFY(!widget<QWidget>("car_ware_num")->isEnabled());

    clickOpenClose();
    QVERIFY(!m_tab->panel()->isOpen());
    for (const char *name : kCameraSettings)
        QVERIFY2(widget<QWidget>(name)->isEnabled(), name);
    QVERIFY(widget<QWidget>("car_ware_type")->isEnabled());
}

void TestCarTab::framesReachTheCameraPageAndTheOtherViews()
{
    setCamera(1, 2, 2, {320, 240});
    PtyPair car;
    open(car.slavePath());
    const int ccdLength = m_tab->ccdView()->payloadLength();
    const int scopeLength = m_tab->scopeView()->payloadLength();

    car.write(bytes({0x00, 0xFF}) + CarLink::buildFrame(1, bytes({10, 20, 30, 40}))
              + CarLink::buildFrame(2, QByteArray(ccdLength, char(0x40)))
              + CarLink::buildFrame(3, QByteArray(scopeLength, char(0x01))));
    QTRY_COMPARE(m_tab->scopeView()->framesReceived(), 1);
    QCOMPARE(m_tab->ccdView()->framesReceived(), 1);
    QCOMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("25"));
    QCOMPARE(widget<QLabel>("car_mid")->text(), QStringLiteral("30"));
    // The square image as the largest square in the label, in its middle.
    auto *originalLabel = widget<ImageWidget>("car_img_original");
    const QImage original = shownImage(originalLabel);
    QCOMPARE(original.size(), QSize(240, 240));
    QCOMPARE(qGray(original.pixel(239, 239)), 40);
    const QImage onScreen = originalLabel->grab().toImage();
    QCOMPARE(qGray(onScreen.pixel(40, 0)), 10);
    QCOMPARE(qGray(onScreen.pixel(279, 239)), 40);
    QCOMPARE(onScreen.pixel(39, 0), onScreen.pixel(280, 239));
    QVERIFY(qGray(onScreen.pixel(39, 0)) != 10);
    // Threshold 128: every pixel black, crossed by the grid's middle lines.
    const QImage binary = shownImage(widget<ImageWidget>("car_img_bin"));
    QCOMPARE(binary.pixel(0, 0), 0xFF000000u);
    QCOMPARE(binary.pixel(239, 239), 0xFF000000u);
    QCOMPARE(binary.pixel(0, 120), 0xFF000080u);

    // The threshold is read at every frame.
    widget<QSpinBox>("car_thr_val")->setValue(20);
    car.write(CarLink::buildFrame(1, bytes({10, 20, 30, 40})));
    QTRY_COMPARE(shownImage(widget<ImageWidget>("car_img_bin")).pixel(239, 239), 0xFFFFFFFFu);
    QCOMPARE(shownImage(widget<ImageWidget>("car_img_bin")).pixel(0, 0), 0xFF000000u);

    // A label the window's layout resizes gets pictures of its new size.
    originalLabel->setFixedSize(200, 150);
    car.write(CarLink::buildFrame(1, bytes({10, 20, 30, 40})));
    QTRY_COMPARE(shownImage(originalLabel).size(), QSize(150, 150));
    QCOMPARE(shownImage(widget<ImageWidget>("car_img_bin")).size(), QSize(150, 150));
}

// The form's "断开不提示出错" box is the one its port panel obeys.
void TestCarTab::silenceBoxQuietsAFailedOpen()
{
    QTemporaryDir dir;
    widget<QCheckBox>("car_iserror_check")->setChecked(true);
    widget<QComboBox>("car_portBox")->setEditText(dir.filePath("ttyMissing"));
    clickOpenClose();
    QCOMPARE(m_dialogs.calls.size(), 0);
    widget<QCheckBox>("car_iserror_check")->setChecked(false);
    clickOpenClose();
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information).size(), 1);
}

void TestCarTab::bytesLeftAtCloseLeadTheNextOpen()
{
    setCamera(1, 2, 2, {320, 240});
    PtyPair car;
    open(car.slavePath());
    const QByteArray frame = CarLink::buildFrame(1, bytes({50, 60, 70, 80}));
    car.write(frame.left(3));
    QTRY_COMPARE(m_tab->parser().buffer(), frame.left(3));
    clickOpenClose();
    QCOMPARE(m_tab->parser().buffer(), frame.left(3));

    open(car.slavePath());
    car.write(frame.mid(3));
    QTRY_COMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("65"));
    QVERIFY(m_tab->parser().buffer().isEmpty());
}

void TestCarTab::networkSourcesSayWhyTheyCannotOpen()
{
    auto *source = widget<QComboBox>("car_com");
    QCOMPARE(source->count(), 4);
    QCOMPARE(source->itemText(3), QStringLiteral("UDP"));

    QTcpServer tcpTaken;
    QVERIFY(tcpTaken.listen(QHostAddress::Any, 0));
    source->setCurrentIndex(CarTab::TcpServer);
    QCOMPARE(widget<QStackedWidget>("car_com_stacked")->currentIndex(), int(CarTab::TcpServer));
    widget<QSpinBox>("car_tcp_port_s")->setValue(tcpTaken.serverPort());
    widget<QPushButton>("car_tcp_server_link")->click();
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information),
             QStringList{QStringLiteral("监听失败：\n端口已被占用")});
    QCOMPARE(widget<QPushButton>("car_tcp_server_link")->text(), QStringLiteral("开始监听"));
    QVERIFY(source->isEnabled());

    // An address missing a part is refused before anything is tried.
    m_dialogs.clear();
    source->setCurrentIndex(CarTab::TcpClient);
    widget<CIPLineEdit>("car_tcp_ip_c")->setText(QStringLiteral("127.0.0"));
    auto *connectButton = widget<QPushButton>("car_tcp_client_link");
    connectButton->click();
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information),
             QStringList{QStringLiteral("连接失败：\nIP地址不完整，请填满四段（0～255）")});
    QCOMPARE(connectButton->text(), QStringLiteral("连接"));

    // Connecting takes a while: the source is busy until it is refused.
    m_dialogs.clear();
    widget<CIPLineEdit>("car_tcp_ip_c")->setText(QStringLiteral("127.0.0.1"));
    widget<QSpinBox>("car_tcp_port_c")->setValue(closedPort());
    connectButton->click();
    QCOMPARE(connectButton->text(), QStringLiteral("断开"));
    QVERIFY(!source->isEnabled());
    QVERIFY(!widget<QWidget>("car_tcp_port_c")->isEnabled());
    QTRY_COMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information),
                 QStringList{QStringLiteral("连接失败：\n连接被拒绝：对方没有在该端口监听")});
    QCOMPARE(connectButton->text(), QStringLiteral("连接"));
    QVERIFY(source->isEnabled() && widget<QWidget>("car_tcp_port_c")->isEnabled());
    QVERIFY(!m_tab->sourceOpen());

    m_dialogs.clear();
    QUdpSocket udpTaken;
    QVERIFY(udpTaken.bind(QHostAddress(QHostAddress::Any), 0));
    source->setCurrentIndex(CarTab::Udp);
    widget<QSpinBox>("car_udp_port")->setValue(udpTaken.localPort());
    widget<QPushButton>("car_udp_link")->click();
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information),
             QStringList{QStringLiteral("绑定失败：\n端口已被占用")});
    QCOMPARE(widget<QPushButton>("car_udp_link")->text(), QStringLiteral("绑定"));
}

void TestCarTab::openTcpServerFixesTheSettingsAndReadsItsClient()
{
    setCamera(1, 2, 2, {320, 240});
    const quint16 port = chooseTcpServerOnFreePort();
    QVERIFY(port != 0);
    auto *listen = widget<QPushButton>("car_tcp_server_link");
    listen->click();
    QVERIFY(m_tab->sourceOpen());
    QCOMPARE(listen->text(), QStringLiteral("停止监听"));
    QCOMPARE(m_tab->parser().frameLengths()[CarLink::Image], 4);
    for (const char *name : kCameraSettings)
        QVERIFY2(!widget<QWidget>(name)->isEnabled(), name);
    for (const char *name : {"car_com", "car_tcp_port_s", "car_ccd_num", "car_ware_num"})
        QVERIFY2(!widget<QWidget>(name)->isEnabled(), name);

    QTcpSocket car;
    car.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(car.waitForConnected(3000));
    const QByteArray frame = CarLink::buildFrame(1, bytes({10, 20, 30, 40}));
    car.write(frame.left(5));
    QVERIFY(car.waitForBytesWritten(1000));
    QTRY_COMPARE(m_tab->parser().buffer(), frame.left(5));
    car.write(frame.mid(5));
    QTRY_COMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("25"));

    listen->click();
    QVERIFY(!m_tab->sourceOpen());
    QCOMPARE(listen->text(), QStringLiteral("开始监听"));
    for (const char *name : kCameraSettings)
        QVERIFY2(widget<QWidget>(name)->isEnabled(), name);
    QVERIFY(widget<QWidget>("car_com")->isEnabled());
    QVERIFY(m_dialogs.calls.isEmpty());
}

void TestCarTab::tcpServerFeedsOneCarAndTurnsOthersAway()
{
    setCamera(1, 2, 2, {320, 240});
    const quint16 port = chooseTcpServerOnFreePort();
    QVERIFY(port != 0);
    widget<QPushButton>("car_tcp_server_link")->click();
    QVERIFY(m_tab->sourceOpen());

    QTcpSocket car, other;
    car.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(car.waitForConnected(3000));
    const auto status = [this] { return widget<QLabel>("car_tcp_server_status")->text(); };
    QTRY_VERIFY(status().contains(QStringLiteral("小车已连接")));
    other.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(other.waitForConnected(3000));
    const quint16 otherPort = other.localPort();
    // Half a frame from the other car would break the first one's frame.
    other.write(CarLink::buildFrame(1, bytes({90, 90, 90, 90})).left(3));
    QTRY_COMPARE(other.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(status().contains(QStringLiteral("[127.0.0.1:%1]  已拒绝：一次只接收一辆小车")
                                  .arg(otherPort)));
    car.write(CarLink::buildFrame(1, bytes({10, 20, 30, 40})));
    QTRY_COMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("25"));
    QVERIFY(m_dialogs.calls.isEmpty());
}

void TestCarTab::udpFeedsOneCarAndCountsTheOthersDatagrams()
{
    setCamera(1, 2, 2, {320, 240});
    const quint16 port = freeUdpPort();
    widget<QComboBox>("car_com")->setCurrentIndex(CarTab::Udp);
    widget<QSpinBox>("car_udp_port")->setValue(port);
    widget<QComboBox>("car_udp_scope")->setCurrentText(QStringLiteral("仅本机"));
    widget<QPushButton>("car_udp_link")->click();
    QCOMPARE(widget<QLabel>("car_udp_listenAddress")->text(),
             QStringLiteral("127.0.0.1:%1").arg(port));

    QUdpSocket car, other;
    const QHostAddress loopback(QHostAddress::LocalHost);
    QVERIFY(car.bind(loopback, 0) && other.bind(loopback, 0));
    car.writeDatagram(CarLink::buildFrame(1, bytes({10, 20, 30, 40})), loopback, port);
    QTRY_COMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("25"));
    // Half frames from another sender would break the car's frames.
    const QByteArray halfFrame = CarLink::buildFrame(1, bytes({90, 90, 90, 90})).left(3);
    for (int i = 0; i < 2; ++i)
        other.writeDatagram(halfFrame, loopback, port);
    car.writeDatagram(CarLink::buildFrame(1, bytes({20, 30, 40, 50})), loopback, port);
    QTRY_COMPARE(widget<QLabel>("car_avr")->text(), QStringLiteral("35"));
    QCOMPARE(widget<QLabel>("car_udp_status")->text(),
             QStringLiteral("一次只接收一辆小车：已忽略其他发送方的2个数据包，最近来自[127.0.0.1:%1]")
                 .arg(other.localPort()));
    QVERIFY(m_dialogs.calls.isEmpty());
}

void TestCarTab::choosingANetworkSourceEndsSerialReconnection()
{
    auto car = std::make_unique<PtyPair>();
    open(car->slavePath());
    car->unplug();
    QTRY_VERIFY(m_tab->panel()->portLost());
    QVERIFY(m_tab->panel()->reconnectionPending());

    widget<QComboBox>("car_com")->setCurrentIndex(CarTab::Udp);
    QVERIFY(!m_tab->panel()->reconnectionPending());
}

void TestCarTab::simulatorFramesShowAsAMovingPicture()
{
    // The real simulator, with its own pseudo-terminal: grey frames, with
    // garbage and a corrupted trailer now and then for the parser to skip.
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       {"car", "--image", "grey", "--width", "80", "--height", "60", "--fps",
                        "50", "--garbage", "7", "--corrupt-every", "3"}),
             qPrintable(sim.error()));

    setCamera(1, 80, 60, {320, 240});
    open(sim.portPath());
    auto *original = widget<ImageWidget>("car_img_original");
    QTRY_VERIFY_WITH_TIMEOUT(!original->image().isNull(), 10000);
    const QImage first = shownImage(original);
    QCOMPARE(first.size(), QSize(320, 240));
    // A track: dark edges and a bright surface in the nearest row.
    int darkest = 255;
    int brightest = 0;
    for (int x = 0; x < first.width(); ++x) {
        darkest = std::min(darkest, qGray(first.pixel(x, 239)));
        brightest = std::max(brightest, qGray(first.pixel(x, 239)));
    }
    QVERIFY(darkest < 40);
    QVERIFY(brightest > 200);
    QTRY_VERIFY_WITH_TIMEOUT(shownImage(original) != first, 10000);
    QVERIFY(m_tab->parser().framesHandled(CarLink::Image) >= 2);

    clickOpenClose();
}

void TestCarTab::simulatorFramesHaveTheLengthsTheTabExpects_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<CarLink::FrameLengths>("lengths");
    QTest::newRow("binary 7 x 3, one CCD, int8")
        << QStringList{"--image", "binary", "--width", "7", "--height", "3", "--bit-order",
                       "low", "--channels", "1"}
        << CarLink::FrameLengths{0, 2, 128, 1};
    QTest::newRow("grey, two CCDs, uint16")
        << QStringList{"--image", "grey", "--width", "40", "--height", "30", "--ccd-count", "2",
                       "--ccd-line", "100", "--channels", "3", "--sample-type", "uint16_t"}
        << CarLink::FrameLengths{0, 1200, 200, 6};
    QTest::newRow("colour big endian, double, with garbage")
        << QStringList{"--image", "colour", "--endian", "big", "--width", "999", "--height",
                       "2", "--sample-type", "double", "--garbage", "33"}
        << CarLink::FrameLengths{0, 3996, 128, 64};
}

void TestCarTab::simulatorFramesHaveTheLengthsTheTabExpects()
{
    QFETCH(QStringList, options);
    QFETCH(CarLink::FrameLengths, lengths);
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    QFile(line).open(QIODevice::WriteOnly);
    QProcess sim;
    sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
              QStringList{"car", "--port", line, "--fps", "0", "--rounds", "5", "--send",
                          "camera,ccd,scope"}
                  + options);
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitCode(), 0);

    QFile written(line);
    QVERIFY(written.open(QIODevice::ReadOnly));
    CarFrameParser parser;
    parser.setFrameLengths(lengths);
    parser.append(written.readAll());
    for (int command = 1; command <= 3; ++command)
        QCOMPARE(parser.framesHandled(command), 5);
    QVERIFY(parser.buffer().size() < 2);
}

// Pictures of an earlier run under the same name are never overwritten.
void TestCarTab::savedFramesGoOnAfterTheHighestNumberThere()
{
    QTemporaryDir dir;
    const auto plant = [&dir](const char *name) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier");
    };
    plant("frame-000002.png");
    plant("frame-000007-bin.png");
    plant("frame-1000000000000000000000.png"); // no number we would reach
    plant("other-000050.png");
    CameraView *view = m_tab->cameraView();
    view->setLinkOpen(true);
    view->saveEveryFrame(dir.filePath(QStringLiteral("frame.png")));
    const QByteArray payload(view->payloadLength(), '\xAA');
    view->handleFrame(payload.constData(), payload.size());
    view->handleFrame(payload.constData(), payload.size());
    QCOMPARE(view->framesSaved(), 2);
    QVERIFY(!QImage(dir.filePath(QStringLiteral("frame-000008.png"))).isNull());
    QVERIFY(!QImage(dir.filePath(QStringLiteral("frame-000009-bin.png"))).isNull());
    QFile earlier(dir.filePath(QStringLiteral("frame-000007-bin.png")));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
}

// The box about a failed save waits until the read is done; frames that
// arrive while it is up are each handled once, after the ones before them.
void TestCarTab::failedFrameSaveWhileFramesArriveHandlesEachOnce()
{
    setCamera(1, 2, 2, {320, 240});
    PtyPair car;
    open(car.slavePath());
    QTemporaryDir dir;
    m_tab->cameraView()->saveEveryFrame(dir.filePath(QStringLiteral("missing/frame.png")));
    const QByteArray frame = CarLink::buildFrame(1, bytes({10, 20, 30, 40}));
    int fedWhileShown = 0;
    m_dialogs.whileShown = [&] {
        for (; fedWhileShown < 20; ++fedWhileShown)
            m_tab->car_read(frame);
    };

    car.write(frame + frame + frame);
    QTRY_COMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);
    QCOMPARE(m_tab->parser().framesHandled(CarLink::Image), 3 + 20);
    QVERIFY(m_dialogs.texts(ScriptedDialogs::Kind::Critical).first().contains("missing"));
    QCOMPARE(m_tab->cameraView()->framesSaved(), 0);
}

void TestCarTab::eachProtocolReachesTheOscilloscopeSplitAtEveryByte_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("textFormat");
    QTest::addColumn<bool>("overUdp");
    for (bool udp : {false, true}) {
        const char *transport = udp ? "UDP" : "pty";
        QTest::addRow("car frames, %s", transport) << int(CarTab::Protocol::CarFrames) << QByteArray() << udp;
        for (const char *format : {"plain", "labelled", "teleplot"})
            QTest::addRow("text %s, %s", format, transport)
                << int(CarTab::Protocol::TextLines) << QByteArray(format) << udp;
        QTest::addRow("JustFloat, %s", transport) << int(CarTab::Protocol::JustFloat) << QByteArray() << udp;
        QTest::addRow("custom frames, %s", transport)
            << int(CarTab::Protocol::CustomFrames) << QByteArray() << udp;
    }
}

// One byte a read: every boundary of the stream falls between two reads.
void TestCarTab::eachProtocolReachesTheOscilloscopeSplitAtEveryByte()
{
    QFETCH(int, protocol);
    QFETCH(QByteArray, textFormat);
    QFETCH(bool, overUdp);
    const bool custom = protocol == int(CarTab::Protocol::CustomFrames);
    if (custom)
        applyFrameFormat(kPairFrames);
    widget<QComboBox>("car_protocol")->setCurrentIndex(protocol);
    widget<QSpinBox>("car_ware_num")->setValue(2);
    widget<QComboBox>("car_ware_type")->setCurrentIndex(6); // float

    qint64 received = 0;
    connect(m_tab->sources(), &SourceSelector::received, this,
            [&received](const QByteArray &bytes) { received += bytes.size(); });
    PtyPair car;
    QUdpSocket udpCar;
    quint16 udpPort = 0;
    if (overUdp) {
        udpPort = freeUdpPort();
        QVERIFY(udpPort != 0);
        widget<QComboBox>("car_com")->setCurrentIndex(CarTab::Udp);
        widget<QSpinBox>("car_udp_port")->setValue(udpPort);
        widget<QPushButton>("car_udp_link")->click();
    } else {
        open(car.slavePath());
    }
    QVERIFY(m_tab->sourceOpen());
    QVERIFY(!widget<QComboBox>("car_protocol")->isEnabled());

    const QByteArray stream = streamOf(CarTab::Protocol(protocol), textFormat.constData());
    for (int at = 0; at < stream.size(); ++at) {
        const QByteArray byte = stream.mid(at, 1);
        if (overUdp)
            udpCar.writeDatagram(byte, QHostAddress::LocalHost, udpPort);
        else
            car.write(byte);
        QTRY_COMPARE_WITH_TIMEOUT(received, qint64(at + 1), 2000);
    }
    widget<QPushButton>(overUdp ? "car_udp_link" : "car_OpenCloseButton")->click();
    QVERIFY(!m_tab->sourceOpen());

    const SampleStore &store = m_tab->scopeView()->store();
    QCOMPARE(store.size(), quint64(kRows.size()));
    for (int row = 0; row < kRows.size(); ++row) {
        QCOMPARE(store.window(0)[row], double(kRows[row][0]));
        QCOMPARE(store.window(1)[row], double(kRows[row][1]));
    }
    QCOMPARE(m_tab->scopeView()->channelCount(), 2);
    if (textFormat == "labelled" || textFormat == "teleplot") {
        QCOMPARE(widget<QLineEdit>("car_wave1")->text(), QStringLiteral("speed"));
        QCOMPARE(widget<QLineEdit>("car_wave2")->text(), QStringLiteral("err"));
    }
    if (custom) {
        QCOMPARE(widget<QLineEdit>("car_wave1")->text(), QStringLiteral("left"));
        QCOMPARE(widget<QLineEdit>("car_wave2")->text(), QStringLiteral("right"));
        QVERIFY2(widget<QLabel>("car_frame_counts")
                     ->text()
                     .startsWith(QStringLiteral("正确 5 帧，校验错 1，未知类型 1，长度超限 0，帧结构错 0")),
                 qPrintable(widget<QLabel>("car_frame_counts")->text()));
        const QString lastFrame = bytesToHexText(pairFrame(8, -9)).trimmed();
        QVERIFY(widget<QTextEdit>("car_frame_last")->toPlainText().startsWith(lastFrame));
    }
    QVERIFY(m_dialogs.calls.isEmpty());
}

void TestCarTab::protocolIsFixedWhileOpenAndPicturesAreSaidToBeMissing()
{
    auto *protocol = widget<QComboBox>("car_protocol");
    auto *cameraNote = widget<QLabel>("car_cam_note");
    QVERIFY(cameraNote->isHidden());
    protocol->setCurrentIndex(int(CarTab::Protocol::TextLines));
    QVERIFY(!cameraNote->isHidden() && !widget<QLabel>("car_ccd_note")->isHidden());
    QVERIFY(cameraNote->text().contains(QStringLiteral("“文本行”不传送图像")));

    // A label past the eighth channel is reported once, with its name.
    PtyPair car;
    open(car.slavePath());
    QByteArray line;
    for (int channel = 0; channel < 10; ++channel)
        line += "c" + QByteArray::number(channel) + ":" + QByteArray::number(channel) + ",";
    car.write(line + "\n" + line + "\n");
    QTRY_COMPARE(m_tab->scopeView()->store().size(), quint64(2));
    QCOMPARE(widget<QLineEdit>("car_wave8")->text(), QStringLiteral("c7"));
    auto *note = widget<QLabel>("car_ware_note");
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains(QStringLiteral("“c8”")));
    clickOpenClose();
    QVERIFY(protocol->isEnabled());
}

// A description that cannot work names its field; one applied while a
// capture records is refused, as the capture must say how its bytes were
// read; while frames flow, an applied one is read from the next byte on. A
// tab with another description is offered the recorded one for the replay.
void TestCarTab::frameFormatIsRefusedWhenItCannotWorkAndKeptWithItsCapture()
{
    QByteArray broken(kPairFrames);
    broken.replace("\"type\": \"f32\", \"endian\": \"little\"", "\"type\": \"f24\"");
    applyFrameFormat(broken);
    QVERIFY(widget<QLabel>("car_frame_error")->text().contains("types[0].fields[1].type"));
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("imu"));
    QCOMPARE(widget<QTableWidget>("car_frame_fields")->item(1, 1)->text(), QStringLiteral("yaw"));

    applyFrameFormat(kPairFrames);
    QVERIFY(widget<QLabel>("car_frame_error")->text().isEmpty());
    QCOMPARE(widget<QTableWidget>("car_frame_fields")->item(1, 1)->text(), QStringLiteral("right"));
    // A pasted frame is read field by field, its checksum checked.
    widget<QLineEdit>("car_frame_test")->setText(bytesToHexText(pairFrame(1.5, -2)));
    const QString result = widget<QLabel>("car_frame_testResult")->text();
    QVERIFY2(result.contains("left = 1.5\nright = -2\n"), qPrintable(result));
    const QRegularExpression sameSum(QStringLiteral("计算得 (0x[0-9A-F]{4})，帧中为 \\1$"));
    QVERIFY2(sameSum.match(result).hasMatch(), qPrintable(result));
    QByteArray corrupt = pairFrame(1.5, -2);
    corrupt[5] = char(corrupt[5] ^ 0x40);
    widget<QLineEdit>("car_frame_test")->setText(bytesToHexText(corrupt));
    QVERIFY(!sameSum.match(widget<QLabel>("car_frame_testResult")->text()).hasMatch());

    widget<QComboBox>("car_protocol")->setCurrentIndex(int(CarTab::Protocol::CustomFrames));
    QVERIFY(widget<QLabel>("car_param_note")->text().contains(QStringLiteral("“自定义帧”不回传参数值")));
    PtyPair car;
    open(car.slavePath());
    QTemporaryDir dir;
    m_dialogs.fileAnswers.enqueue(dir.filePath("run.zcap"));
    widget<QPushButton>("car_rec_button")->click();
    QVERIFY(m_tab->capture()->recording());
    car.write(pairFrame(1, 2) + pairFrame(3, 4));
    QTRY_COMPARE(m_tab->scopeView()->store().size(), quint64(2));
    applyFrameFormat(QByteArray(kPairFrames).replace("pair", "other"));
    QVERIFY(widget<QLabel>("car_frame_error")->text().contains(QStringLiteral("正在记录")));
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("pair"));

    widget<QPushButton>("car_rec_button")->click();
    QTRY_VERIFY(widget<QLabel>("car_frame_counts")->text().startsWith(QStringLiteral("正确 2 帧")));
    applyFrameFormat(QByteArray(kPairFrames).replace("\"right\"", "\"speed\""));
    QVERIFY(widget<QLabel>("car_frame_counts")->text().startsWith(QStringLiteral("正确 0 帧")));
    car.write(pairFrame(5, 6));
    QTRY_COMPARE(m_tab->scopeView()->store().size(), quint64(3));
    QCOMPARE(widget<QLineEdit>("car_wave2")->text(), QStringLiteral("speed"));
    clickOpenClose();
    QVERIFY(widget<QLabel>("car_frame_counts")->text().startsWith(QStringLiteral("正确 1 帧")));

    CarTab replayed(m_dialogs, m_ports.source());
    m_dialogs.questionAnswers.enqueue(true);
    m_dialogs.fileAnswers.enqueue(dir.filePath("run.zcap"));
    child<QPushButton>(&replayed, "car_replay_open")->click();
    QVERIFY(m_dialogs.texts(ScriptedDialogs::Kind::Question)
                .value(0)
                .contains(QStringLiteral("帧格式：记录时 “pair”（left, right），现在 “imu”（ax, yaw）")));
    replayed.capture()->player().setSpeed(CapturePlayer::kAsFastAsPossible);
    QSignalSpy finished(&replayed.capture()->player(), &CapturePlayer::finished);
    child<QPushButton>(&replayed, "car_replay_play")->click();
    QVERIFY(finished.wait());
    QCOMPARE(replayed.frameView()->description().name, QStringLiteral("pair"));
    const SampleStore &store = replayed.scopeView()->store();
    QCOMPARE(store.size(), quint64(2));
    QCOMPARE(store.window(1)[1], 4.0);
}

void TestCarTab::frameFormatFilesAreReadBoundedAndWrittenAsShown()
{
    QTemporaryDir dir;
    const QString big = dir.filePath("big.zframe");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(kPairFrames) + QByteArray(FrameView::kMaxFileBytes, ' '));
    file.close();
    m_dialogs.fileAnswers.enqueue(big);
    widget<QPushButton>("car_frame_open")->click();
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("imu"));

    // Saved as typed, without a suffix given; opened, it is in use.
    widget<QPlainTextEdit>("car_frame_json")->setPlainText(QString::fromUtf8(kPairFrames));
    m_dialogs.fileAnswers.enqueue(dir.filePath("pair"));
    widget<QPushButton>("car_frame_save")->click();
    QFile saved(dir.filePath("pair.zframe"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(kPairFrames));
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("imu"));
    m_dialogs.fileAnswers.enqueue(saved.fileName());
    widget<QPushButton>("car_frame_open")->click();
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("pair"));
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);

    // A file of exactly the largest size is read.
    QByteArray edge = QByteArray(kPairFrames).replace("pair", "edge");
    edge += QByteArray(FrameView::kMaxFileBytes - edge.size(), ' ');
    QFile largest(dir.filePath("largest.zframe"));
    QVERIFY(largest.open(QIODevice::WriteOnly));
    largest.write(edge);
    largest.close();
    m_dialogs.fileAnswers.enqueue(largest.fileName());
    widget<QPushButton>("car_frame_open")->click();
    QCOMPARE(m_tab->frameView()->description().name, QStringLiteral("edge"));
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);
}

QTEST_MAIN(TestCarTab)
#include "test_cartab.moc"
