// The car tab with the device simulator as the car, end to end: frames the
// simulator builds cross a real pseudo-terminal or socket, are cut by the
// tab's parser and land in the oscilloscope store, on the CCD page and the
// camera page, none lost and in the order they were sent. The expected
// payloads come from a second scene with the same seed, which replays the
// simulator's frames byte for byte. The simulator's text and JustFloat forms
// carry the same samples as its car frames. The simulator answers the
// parameters it is sent, and kp shows in how its speed loop overshoots.
#include "camimage.h"
#include "carframe.h"
#include "carscene.h"
#include "ciplineedit.h"
#include "cartab.h"
#include "ccddrawing.h"
#include "ccdview.h"
#include "customframedecoder.h"
#include "fakeports.h"
#include "imagewidget.h"
#include "loopbacksockets.h"
#include "sampledecoders.h"
#include "sampletypes.h"
#include "stepresponse.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "simulatorprocess.h"
#include "widgetlookup.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSpinBox>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kTimeoutMs = 60000;

// Two frame types of four float channels each, one of them big-endian,
// told apart by a type byte, with a length byte and CRC-16/MODBUS.
const char kTwoTypeFrame[] = R"({"format": "zentrik-frame", "version": 1, "name": "halves",
  "header": "AA 55", "length": {"at": 2, "size": 1, "add": 0},
  "types": [
    {"name": "low", "match": [{"at": 3, "is": "01"}],
     "fields": [{"name": "ch1", "at": 4, "type": "f32"}, {"name": "ch2", "at": 8, "type": "f32"},
                {"name": "ch3", "at": 12, "type": "f32", "endian": "big"},
                {"name": "ch4", "at": 16, "type": "f32"}]},
    {"name": "high", "match": [{"at": 3, "is": "02"}],
     "fields": [{"name": "ch5", "at": 4, "type": "f32"}, {"name": "ch6", "at": 8, "type": "f32"},
                {"name": "ch7", "at": 12, "type": "f32"}, {"name": "ch8", "at": 16, "type": "f32"}]}],
  "checksum": {"kind": "crc16-modbus", "from": 0, "to": -2, "at": -2, "endian": "little"}})";

QStringList simulatorArguments(const QString &send, int rounds, const QStringList &options)
{
    return QStringList{"car", "--send", send, "--fps", "0", "--rounds", QString::number(rounds)}
           + options;
}

} // namespace

class TestCarStream : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void scopeSamplesArriveComplete_data();
    void scopeSamplesArriveComplete();
    void ccdLinesReachTheCcdPage_data();
    void ccdLinesReachTheCcdPage();
    void cameraAndSamplesArriveOverTheNetwork_data();
    void cameraAndSamplesArriveOverTheNetwork();
    void everyProtocolCarriesTheSameSamples_data();
    void everyProtocolCarriesTheSameSamples();
    void simulatorAnswersParameters_data();
    void simulatorAnswersParameters();

private:
    template <typename T>
    T *widget(const char *name)
    {
        return child<T>(m_tab.get(), QString::fromLatin1(name));
    }
    // Opens the tab's network source and starts the simulator to match.
    void openNetwork(CarTab::Source source, SimulatorProcess &sim, const QStringList &arguments);
    void open(const QString &path)
    {
        widget<QComboBox>("car_portBox")->setEditText(path);
        widget<QPushButton>("car_OpenCloseButton")->click();
        QVERIFY(m_tab->panel()->isOpen());
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<CarTab> m_tab;
};

void TestCarStream::init()
{
    m_dialogs.clear();
    m_tab = std::make_unique<CarTab>(m_dialogs, m_ports.source());
    m_tab->resize(1200, 800);
    m_tab->show();
}

void TestCarStream::cleanup()
{
    m_tab.reset();
}

void TestCarStream::scopeSamplesArriveComplete_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<int>("rounds");
    QTest::newRow("8 float channels") << 8 << int(Float) << "float" << 20000;
    QTest::newRow("3 int16 channels") << 3 << int(Int16) << "int16_t" << 5000;
}

void TestCarStream::scopeSamplesArriveComplete()
{
    QFETCH(int, channels);
    QFETCH(int, type);
    QFETCH(QString, typeName);
    QFETCH(int, rounds);
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       simulatorArguments("scope", rounds,
                                          {"--channels", QString::number(channels),
                                           "--sample-type", typeName})),
             qPrintable(sim.error()));

    widget<QSpinBox>("car_ware_num")->setValue(channels);
    widget<QComboBox>("car_ware_type")->setCurrentIndex(type);
    open(sim.portPath());
    ScopeView *scope = m_tab->scopeView();
    QTRY_COMPARE_WITH_TIMEOUT(scope->framesReceived(), rounds, kTimeoutMs);

    const SampleStore &store = scope->store();
    QCOMPARE(store.size(), quint64(rounds));
    CarScene replay;
    double expected[SampleStore::kChannels] = {};
    int wrong = 0;
    for (int round = 0; round < rounds; ++round) {
        const QByteArray payload = replay.scopePayload(channels, type, round);
        decodeSamples(type, channels, payload.constData(), expected);
        wrong += store.xValues()[round] != double(round);
        for (int channel = 0; channel < channels; ++channel)
            wrong += store.window(channel)[round] != expected[channel];
    }
    QCOMPARE(wrong, 0);
    QCOMPARE(m_tab->parser().framesHandled(CarLink::Scope), rounds);

    // The plot follows the newest sample once it has been redrawn.
    auto *plot = child<QwtPlot>(scope, QStringLiteral("car_scope"));
    QTRY_COMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), double(rounds - 1));
    QVERIFY(!scope->redrawPending());
}

void TestCarStream::ccdLinesReachTheCcdPage_data()
{
    QTest::addColumn<int>("sensors");
    QTest::addColumn<int>("line");
    QTest::newRow("one sensor of 128") << 1 << 128;
    QTest::newRow("two sensors of 100") << 2 << 100;
}

void TestCarStream::ccdLinesReachTheCcdPage()
{
    QFETCH(int, sensors);
    QFETCH(int, line);
    const int rounds = 300;
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       simulatorArguments("ccd", rounds,
                                          {"--ccd-count", QString::number(sensors),
                                           "--ccd-line", QString::number(line)})),
             qPrintable(sim.error()));

    widget<QComboBox>("car_ccd_num")->setCurrentIndex(sensors - 1);
    widget<QSpinBox>("car_ccd_line")->setValue(line);
    open(sim.portPath());
    QCOMPARE(widget<QWidget>("car_ccd_img2")->isHidden(), sensors == 1);
    CcdView *ccd = m_tab->ccdView();
    QTRY_COMPARE_WITH_TIMEOUT(ccd->framesReceived(), rounds, kTimeoutMs);

    // The page shows the statistics of the last line of each sensor.
    CarScene replay;
    QByteArray last;
    for (int round = 0; round < rounds; ++round)
        last = replay.ccdPayload(sensors, line, round);
    for (int sensor = 0; sensor < sensors; ++sensor) {
        std::vector<uchar> differences(size_t(line), 0);
        const CcdStatistics statistics = analyseCcdLine(
            reinterpret_cast<const uchar *>(last.constData()) + sensor * line, line,
            differences.data());
        const QByteArray suffix = QByteArray::number(sensor + 1);
        QCOMPARE(widget<QLabel>("car_ccd_gray" + suffix + "_max")->text(),
                 QStringLiteral("最大灰度值：%1").arg(statistics.maximum));
        QCOMPARE(widget<QLabel>("car_ccd_gray" + suffix + "_min")->text(),
                 QStringLiteral("最小灰度值：%1").arg(statistics.minimum));
        QCOMPARE(widget<QLabel>("car_ccd_maxdiff" + suffix)->text(),
                 QStringLiteral("最大差分值：%1").arg(statistics.maxDifference));
        // A track under a line sensor: dark edges on a bright surface.
        QVERIFY(statistics.maximum - statistics.minimum > 100);
    }
    const int recordHeight = widget<QWidget>("car_ccd_img")->height();
    QCOMPARE(ccd->trackRowCount(), std::min(rounds, recordHeight));
    QVERIFY(ccd->trackRowCount() > 0);
}

void TestCarStream::openNetwork(CarTab::Source source, SimulatorProcess &sim,
                                const QStringList &arguments)
{
    const QString simulator = QStringLiteral(ZENTRIK_SIM_PATH);
    const auto toTab = [](quint16 port) { return QStringLiteral("127.0.0.1:%1").arg(port); };
    widget<QComboBox>("car_com")->setCurrentIndex(source);
    if (source == CarTab::TcpServer) {
        const quint16 port = closedPort();
        widget<QSpinBox>("car_tcp_port_s")->setValue(port);
        widget<QPushButton>("car_tcp_server_link")->click();
        QVERIFY(m_tab->sourceOpen());
        QVERIFY2(sim.startOnNetwork(simulator, arguments + QStringList{"--tcp", toTab(port)}),
                 qPrintable(sim.error()));
    } else if (source == CarTab::TcpClient) {
        QVERIFY2(sim.startOnNetwork(simulator, arguments + QStringList{"--listen", "0"}),
                 qPrintable(sim.error()));
        widget<CIPLineEdit>("car_tcp_ip_c")->setText(QStringLiteral("127.0.0.1"));
        widget<QSpinBox>("car_tcp_port_c")->setValue(sim.announcedPort());
        widget<QPushButton>("car_tcp_client_link")->click();
        QTRY_VERIFY(m_tab->sourceOpen());
    } else {
        const quint16 port = freeUdpPort();
        widget<QSpinBox>("car_udp_port")->setValue(port);
        widget<QPushButton>("car_udp_link")->click();
        QVERIFY(m_tab->sourceOpen());
        QVERIFY2(sim.startOnNetwork(simulator, arguments + QStringList{"--udp", toTab(port)}),
                 qPrintable(sim.error()));
    }
}

void TestCarStream::cameraAndSamplesArriveOverTheNetwork_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("fps");
    QTest::newRow("TCP server") << int(CarTab::TcpServer) << 0;
    QTest::newRow("TCP client") << int(CarTab::TcpClient) << 0;
    // Datagrams nobody reads in time are lost: paced, as a car would send.
    QTest::newRow("UDP") << int(CarTab::Udp) << 30;
}

void TestCarStream::cameraAndSamplesArriveOverTheNetwork()
{
    QFETCH(int, source);
    QFETCH(int, fps);
    const int rounds = 60;
    const int channels = 3;
    CarCamera::Settings camera;
    camera.mode = CarCamera::Grey;
    camera.width = 40;
    camera.height = 30;
    widget<QComboBox>("car_imgBox")->setCurrentIndex(camera.mode);
    widget<QSpinBox>("car_img_w")->setValue(camera.width);
    widget<QSpinBox>("car_img_h")->setValue(camera.height);
    widget<QSpinBox>("car_ware_num")->setValue(channels);
    widget<QComboBox>("car_ware_type")->setCurrentIndex(Int16);

    SimulatorProcess sim;
    openNetwork(CarTab::Source(source), sim,
                {"car", "--send", "camera,scope", "--fps", QString::number(fps), "--rounds",
                 QString::number(rounds), "--image", "grey", "--width", "40", "--height", "30",
                 "--channels", QString::number(channels), "--sample-type", "int16_t"});
    if (QTest::currentTestFailed())
        return;
    ScopeView *scope = m_tab->scopeView();
    QTRY_COMPARE_WITH_TIMEOUT(scope->framesReceived(), rounds, kTimeoutMs);
    QCOMPARE(m_tab->parser().framesHandled(CarLink::Image), rounds);

    CarScene replay;
    QByteArray lastImage;
    double expected[SampleStore::kChannels] = {};
    int wrong = 0;
    for (int round = 0; round < rounds; ++round) {
        lastImage = replay.cameraPayload(camera, round);
        const QByteArray payload = replay.scopePayload(channels, Int16, round);
        decodeSamples(Int16, channels, payload.constData(), expected);
        for (int channel = 0; channel < channels; ++channel)
            wrong += scope->store().window(channel)[round] != expected[channel];
    }
    QCOMPARE(wrong, 0);
    // The camera page shows the last image sent.
    auto *picture = widget<ImageWidget>("car_img_original");
    CameraDecoder decoder(camera, picture->size());
    QCOMPARE(picture->image(),
             decoder.decode(lastImage.constData(), widget<QSpinBox>("car_thr_val")->value())
                 .original);

    if (source == CarTab::TcpClient) {
        // The simulator ends its connection when done.
        QTRY_VERIFY_WITH_TIMEOUT(!m_tab->sourceOpen(), kTimeoutMs);
        QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information),
                 QStringList{QStringLiteral("连接已断开：\n对方已断开连接")});
    }
}

void TestCarStream::everyProtocolCarriesTheSameSamples_data()
{
    QTest::addColumn<QStringList>("protocol");
    QTest::newRow("car") << QStringList{"--protocol", "car"};
    QTest::newRow("plain text") << QStringList{"--protocol", "text"};
    QTest::newRow("labelled text")
        << QStringList{"--protocol", "text", "--text-format", "labelled"};
    QTest::newRow("teleplot text")
        << QStringList{"--protocol", "text", "--text-format", "teleplot"};
    QTest::newRow("JustFloat") << QStringList{"--protocol", "justfloat"};
    QTest::newRow("custom, two frame types") << QStringList{"--protocol", "custom"};
}

// Each form through a pseudo-terminal into its own decoder: the same rows of
// floats, exact to the last bit, named ch1..ch8 where the lines are labelled.
// Custom frames of two types come as two rows a round, the second complete.
void TestCarStream::everyProtocolCarriesTheSameSamples()
{
    QFETCH(QStringList, protocol);
    const int rounds = 2000;
    const int channels = SampleStore::kChannels;
    const quint32 seed = 7;
    const bool custom = protocol[1] == QLatin1String("custom");
    QStringList options{"--sample-type", "float", "--seed", QString::number(seed)};
    QTemporaryDir dir;
    const QString framePath = dir.filePath(QStringLiteral("halves.zframe"));
    if (custom) {
        QFile file(framePath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kTwoTypeFrame) > 0);
        options << "--frame" << framePath;
    } else {
        options << "--channels" << QString::number(channels);
    }
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       simulatorArguments("scope", rounds, options + protocol)),
             qPrintable(sim.error()));

    // Every round arrives: the frames the JustFloat decoder learns the
    // frame length from are handed out once it is learnt.
    const int rowsPerRound = custom ? 2 : 1;
    const size_t expectedValues = size_t(rounds * rowsPerRound * channels);
    std::vector<double> received;
    const auto store = [&](const double *values, int count) {
        received.insert(received.end(), values, values + count);
    };
    CarFrameParser parser;
    std::unique_ptr<SampleDecoder> decoder;
    if (protocol[1] == QLatin1String("car")) {
        parser.setFrameLengths({0, 0, 0, channels * 4});
        parser.setHandler(CarLink::Scope, [&](const char *payload, int) {
            double values[SampleStore::kChannels];
            decodeSamples(Float, channels, payload, values);
            store(values, channels);
        });
    } else {
        if (protocol[1] == QLatin1String("text")) {
            decoder = std::make_unique<TextLineDecoder>();
        } else if (custom) {
            FrameFormat::Description description;
            FrameFormat::Refusal refusal;
            QVERIFY2(FrameFormat::parse(kTwoTypeFrame, &description, &refusal),
                     qPrintable(refusal.text()));
            decoder = std::make_unique<CustomFrameDecoder>(description);
        } else {
            decoder = std::make_unique<JustFloatDecoder>();
        }
        decoder->setRowHandler(store);
    }

    QSerialPort port(sim.portPath());
    QVERIFY(port.open(QIODevice::ReadOnly));
    QElapsedTimer clock;
    clock.start();
    while (received.size() < expectedValues && clock.elapsed() < kTimeoutMs) {
        // The simulator ends once everything is read; '>' lines hold the
        // last round until then.
        QCoreApplication::processEvents();
        if (!port.waitForReadyRead(100) && sim.process().state() == QProcess::NotRunning)
            break;
        const QByteArray bytes = port.readAll();
        if (decoder)
            decoder->append(bytes);
        else
            parser.append(bytes);
    }
    if (decoder)
        decoder->flush();

    QCOMPARE(received.size(), expectedValues);
    CarScene replay(seed);
    double expected[SampleStore::kChannels];
    int wrong = 0;
    for (int round = 0; round < rounds; ++round) {
        const QByteArray payload = replay.scopePayload(channels, Float, round);
        decodeSamples(Float, channels, payload.constData(), expected);
        const size_t row = size_t(round * rowsPerRound + rowsPerRound - 1);
        for (int channel = 0; channel < channels; ++channel)
            wrong += received[row * channels + size_t(channel)] != expected[channel];
    }
    QCOMPARE(wrong, 0);
    if (auto *text = dynamic_cast<TextLineDecoder *>(decoder.get())) {
        const QStringList names{"ch1", "ch2", "ch3", "ch4", "ch5", "ch6", "ch7", "ch8"};
        QCOMPARE(text->channelNames(), protocol.size() > 2 ? names : QStringList());
    }
}

void TestCarStream::simulatorAnswersParameters_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");
    QByteArray payload(5, '\0');
    payload[0] = 1; // kp
    qToLittleEndian(2.5f, payload.data() + 1);
    const QByteArray frame = CarLink::buildFrame(CarLink::Param, payload);
    QTest::newRow("text line") << "text" << QByteArray("kp=2.5\n") << QByteArray("kp:2.5");
    QTest::newRow("car frame") << "car" << frame << frame;
}

// The simulator's speed loop (channel 1 the set-point, channel 2 the speed)
// overshoots more once kp = 2.5 has lowered its damping; the answer comes
// between the samples sent before and after.
void TestCarStream::simulatorAnswersParameters()
{
    QFETCH(QString, protocol);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       {"car", "--protocol", protocol, "--send", "scope", "--fps", "200",
                        "--channels", "2", "--sample-type", "float", "--step-every", "40"}),
             qPrintable(sim.error()));

    SampleStore before(1000);
    SampleStore after(1000);
    QByteArrayList answers;
    const auto sample = [&](double setpoint, double speed) {
        const double values[2] = {setpoint, speed};
        (answers.isEmpty() ? before : after).append(values, 2);
    };
    CarFrameParser parser;
    parser.setFrameLengths({0, 0, 0, 8, 5});
    parser.setHandler(CarLink::Scope, [&](const char *bytes, int) {
        sample(qFromLittleEndian<float>(bytes), qFromLittleEndian<float>(bytes + 4));
    });
    parser.setHandler(CarLink::Param, [&](const char *bytes, int length) {
        answers.append(CarLink::buildFrame(CarLink::Param, QByteArray(bytes, length)));
    });
    QByteArray text;
    const auto readText = [&](const QByteArray &bytes) {
        text.append(bytes);
        for (int end; (end = text.indexOf('\n')) >= 0; text.remove(0, end + 1)) {
            const QByteArray line = text.left(end);
            const QByteArrayList values = line.split(',');
            if (line.startsWith("kp:"))
                answers.append(line);
            else if (values.size() == 2)
                sample(values[0].toDouble(), values[1].toDouble());
        }
    };

    QSerialPort port(sim.portPath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    bool written = false;
    QElapsedTimer clock;
    clock.start();
    while (after.size() < 200 && clock.elapsed() < kTimeoutMs) {
        if (!port.waitForReadyRead(100))
            continue;
        const QByteArray bytes = port.readAll();
        if (protocol == QLatin1String("car"))
            parser.append(bytes);
        else
            readText(bytes);
        if (before.size() >= 200 && !written) {
            port.write(sent);
            written = true;
        }
    }
    QCOMPARE(answers, QByteArrayList{answer});
    // The largest overshoot of the steps wholly inside a stretch.
    const auto overshoot = [](const SampleStore &samples) {
        StepAnalyzer analyzer;
        analyzer.update(samples);
        double most = 0;
        for (const Step &step : analyzer.steps()) {
            if (!step.open && step.start > 0)
                most = std::max(most, step.metrics.overshootPercent);
        }
        return most;
    };
    const double gentle = overshoot(before);
    const double sharp = overshoot(after);
    QVERIFY2(gentle > 5 && sharp > gentle + 10,
             qPrintable(QStringLiteral("%1 %2").arg(gentle).arg(sharp)));
    QByteArray printed;
    QTRY_VERIFY((printed += sim.process().readAllStandardOutput()).contains("param kp = 2.5\n"));
}

QTEST_MAIN(TestCarStream)
#include "test_carstream.moc"
