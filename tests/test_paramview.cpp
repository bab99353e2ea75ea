// The car tab's parameter page: values the user moves go out to the car as
// text or frames, paced, only while a source is open; what the car reports
// back shows in the row (and a lasting difference is marked); sets are
// saved, reopened at start and a damaged one is refused. The car is a
// pseudo-terminal played by the test where the exact bytes matter, and the
// device simulator on a pseudo-terminal and over the network.
#include "cartab.h"
#include "ciplineedit.h"
#include "fakeports.h"
#include "loopbacksockets.h"
#include "paramview.h"
#include "ptypair.h"
#include "scripteddialogs.h"
#include "simulatorprocess.h"
#include "widgetlookup.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

enum Protocol { CarFrames, TextLines };

CarParameterSet speedAndKp()
{
    CarParameterSet set;
    set.rows.append({QStringLiteral("speed"), 0, 0, 100, 1, 0});
    set.rows.append({QStringLiteral("kp"), 1, 0, 10, 0.5, 1});
    return set;
}

} // namespace

class TestParamView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void valuesGoOutPacedOnlyWhileOpenAndLastingDifferencesAreMarked();
    void aDifferenceIsMarkedOnlyAfterAFullSecond();
    void rowsMoveWithTheirValuesAndWaitingOnesGoFirst();
    void simulatorOnAPseudoTerminalTakesTextAndAnswers();
    void simulatorOverTcpTakesFramesAndAnswers_data();
    void simulatorOverTcpTakesFramesAndAnswers();
    void setsAreSavedReopenedAtStartAndDamagedOnesRefused();

private:
    template <typename T>
    T *widget(const char *name)
    {
        return child<T>(m_tab.get(), QString::fromLatin1(name));
    }
    ParameterView *page() { return m_tab->parameterView(); }
    QSlider *slider(int row)
    {
        return widget<QTableWidget>("car_param_table")
            ->cellWidget(row, 1)
            ->findChild<QSlider *>(QStringLiteral("car_param_slider"));
    }
    QString note() { return widget<QLabel>("car_param_note")->text(); }
    double reported(int row)
    {
        double value = -1;
        return page()->reportedValue(row, &value) ? value : -1;
    }
    void openSerial(const QString &path)
    {
        widget<QComboBox>("car_portBox")->setEditText(path);
        widget<QPushButton>("car_OpenCloseButton")->click();
        QVERIFY(m_tab->sourceOpen());
    }
    // What the simulator printed so far.
    QString simulatorSaid(SimulatorProcess &sim)
    {
        m_simOutput += QString::fromLocal8Bit(sim.process().readAllStandardOutput());
        return m_simOutput;
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<CarTab> m_tab;
    QString m_simOutput;
};

void TestParamView::init()
{
    m_dialogs.clear();
    m_simOutput.clear();
    m_tab = std::make_unique<CarTab>(m_dialogs, m_ports.source());
    page()->setParameterSet(speedAndKp());
}

void TestParamView::cleanup()
{
    m_tab.reset();
}

void TestParamView::valuesGoOutPacedOnlyWhileOpenAndLastingDifferencesAreMarked()
{
    widget<QComboBox>("car_protocol")->setCurrentIndex(TextLines);
    PtyPair car;

    // Closed: the page says so and nothing waits to go out later.
    slider(1)->setValue(3);
    QVERIFY(note().contains(QStringLiteral("未打开数据源")));
    openSerial(car.slavePath());
    QVERIFY(!note().contains(QStringLiteral("未打开数据源")));

    slider(1)->setValue(5);
    QCOMPARE(car.read(7), QByteArray("kp=2.5\n"));

    // A burst between two turns of the event loop: at most the first at once
    // and the last when its turn comes.
    for (int position = 6; position <= 13; ++position)
        slider(1)->setValue(position);
    QTest::qWait(3 * ParameterSendPacer::kIntervalMs);
    const QByteArray burst = car.read(1 << 16, 200);
    QVERIFY2(burst.count('\n') <= 2, burst.constData());
    QVERIFY2(burst.endsWith("kp=6.5\n"), burst.constData());

    widget<QComboBox>("car_param_mode")->setCurrentIndex(1);
    slider(0)->setValue(42);
    QCOMPARE(car.read(9), QByteArray("\x04\xFB\x00\x00\x00\x28\x42\xFB\x04", 9));
    widget<QPushButton>("car_param_sendAll")->click();
    QCOMPARE(car.read(18), QByteArray("\x04\xFB\x00\x00\x00\x28\x42\xFB\x04"
                                      "\x04\xFB\x01\x00\x00\xD0\x40\xFB\x04",
                                      18));

    // The car keeps another value: marked after a second, cleared when it
    // agrees.
    for (int line = 0; line < 3; ++line)
        QVERIFY(car.write("kp:2\n"));
    QTRY_COMPARE(reported(1), 2.0);
    QVERIFY(!page()->rowMarked(1));
    QTRY_VERIFY_WITH_TIMEOUT(page()->rowMarked(1), 3000);
    QVERIFY(!widget<QTableWidget>("car_param_table")->item(1, 6)->toolTip().isEmpty());
    QVERIFY(car.write("kp:6.5\n"));
    QTRY_VERIFY(!page()->rowMarked(1));
    // Numbers by position share the channels but name no parameter.
    QVERIFY(car.write("9\n9\nspeed:42\n"));
    QTRY_COMPARE(reported(0), 42.0);
    QCOMPARE(reported(1), 6.5);

    // Closed again: nothing goes out.
    widget<QPushButton>("car_OpenCloseButton")->click();
    slider(1)->setValue(2);
    QVERIFY(car.read(1, 200).isEmpty());
}

// On a clock the test drives: kp, set to 1, reported as 2 is marked once
// the difference has lasted more than a second, not before.
void TestParamView::aDifferenceIsMarkedOnlyAfterAFullSecond()
{
    auto now = std::make_shared<qint64>(7000);
    page()->setClock([now] { return *now; });
    const double reportedKp = 2;
    page()->reportLabelled({QStringLiteral("kp")}, &reportedKp, 1, 1u);
    *now += 1000;
    page()->checkMarks();
    QVERIFY(!page()->rowMarked(1));
    *now += 1;
    page()->checkMarks();
    QVERIFY(page()->rowMarked(1));
}

// A value waiting for its turn goes out under the index it was set for,
// before the rows are renumbered.
void TestParamView::rowsMoveWithTheirValuesAndWaitingOnesGoFirst()
{
    PtyPair car;
    openSerial(car.slavePath());
    widget<QComboBox>("car_param_mode")->setCurrentIndex(1);
    slider(1)->setValue(4);
    slider(1)->setValue(6);
    widget<QTableWidget>("car_param_table")->setCurrentCell(1, 0);
    widget<QPushButton>("car_param_up")->click();
    QCOMPARE(car.read(18), QByteArray("\x04\xFB\x01\x00\x00\x00\x40\xFB\x04"
                                      "\x04\xFB\x01\x00\x00\x40\x40\xFB\x04",
                                      18));
    QCOMPARE(page()->parameterSet().rows[0].name, QStringLiteral("kp"));

    widget<QPushButton>("car_param_add")->click();
    QCOMPARE(page()->parameterSet().rows.size(), 3);
    widget<QPushButton>("car_param_remove")->click();
    QCOMPARE(page()->parameterSet().rows.size(), 2);
    slider(0)->setValue(8);
    QCOMPARE(car.read(9), QByteArray("\x04\xFB\x00\x00\x00\x80\x40\xFB\x04", 9));
}

void TestParamView::simulatorOnAPseudoTerminalTakesTextAndAnswers()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH), {"car", "--protocol", "text"}),
             qPrintable(sim.error()));
    widget<QComboBox>("car_protocol")->setCurrentIndex(TextLines);
    openSerial(sim.portPath());

    for (int position = 1; position <= 5; ++position)
        slider(1)->setValue(position);
    QTRY_VERIFY_WITH_TIMEOUT(simulatorSaid(sim).contains(QStringLiteral("param kp = 2.5")), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(reported(1), 2.5, 5000);
    QVERIFY(!page()->rowMarked(1));
    // Paced: the simulator never heard every step of the burst.
    QVERIFY2(simulatorSaid(sim).count(QStringLiteral("param kp")) < 5, qPrintable(m_simOutput));
}

void TestParamView::simulatorOverTcpTakesFramesAndAnswers_data()
{
    QTest::addColumn<int>("source");
    QTest::newRow("TCP client") << int(CarTab::TcpClient);
    QTest::newRow("TCP server") << int(CarTab::TcpServer);
    QTest::newRow("UDP") << int(CarTab::Udp);
}

void TestParamView::simulatorOverTcpTakesFramesAndAnswers()
{
    QFETCH(int, source);
    const QString simulator = QStringLiteral(ZENTRIK_SIM_PATH);
    SimulatorProcess sim;
    widget<QComboBox>("car_com")->setCurrentIndex(source);
    if (source == CarTab::TcpClient) {
        QVERIFY2(sim.startOnNetwork(simulator, {"car", "--protocol", "car", "--listen", "0"}),
                 qPrintable(sim.error()));
        widget<CIPLineEdit>("car_tcp_ip_c")->setText(QStringLiteral("127.0.0.1"));
        widget<QSpinBox>("car_tcp_port_c")->setValue(sim.announcedPort());
        widget<QPushButton>("car_tcp_client_link")->click();
        QTRY_VERIFY(m_tab->sourceOpen());
    } else {
        // The car's address is learnt from what it sends: until then the
        // page says why nothing went out.
        const bool udp = source == CarTab::Udp;
        const quint16 port = udp ? freeUdpPort() : closedPort();
        widget<QSpinBox>(udp ? "car_udp_port" : "car_tcp_port_s")->setValue(port);
        widget<QPushButton>(udp ? "car_udp_link" : "car_tcp_server_link")->click();
        QVERIFY(m_tab->sourceOpen());
        slider(0)->setValue(10);
        QVERIFY(note().contains(udp ? QStringLiteral("还没有收到小车的数据")
                                    : QStringLiteral("还没有小车连接")));
        QVERIFY2(sim.startOnNetwork(simulator, {"car", "--protocol", "car", "--fps", "10",
                                                udp ? "--udp" : "--tcp",
                                                QStringLiteral("127.0.0.1:%1").arg(port)}),
                 qPrintable(sim.error()));
        QTRY_VERIFY(m_tab->parser().framesHandled(CarLink::Image) > 0);
    }
    widget<QComboBox>("car_param_mode")->setCurrentIndex(1);

    slider(1)->setValue(5);
    QTRY_VERIFY_WITH_TIMEOUT(simulatorSaid(sim).contains(QStringLiteral("param kp = 2.5")), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(reported(1), 2.5, 5000);
    slider(0)->setValue(30);
    QTRY_COMPARE_WITH_TIMEOUT(reported(0), 30.0, 5000);
    QVERIFY(note().isEmpty());
}

void TestParamView::setsAreSavedReopenedAtStartAndDamagedOnesRefused()
{
    QTemporaryDir dir;
    CarParameterSet set = speedAndKp();
    set.rows[1].value = 2.5;
    set.mode = CarParameterSet::Mode::Binary;
    set.textTemplate = QStringLiteral("%index %value\\r\\n");
    page()->setParameterSet(set);
    const QString saved = dir.filePath(QStringLiteral("tuning"));
    m_dialogs.fileAnswers.enqueue(saved);
    widget<QPushButton>("car_param_save")->click();
    QCOMPARE(page()->fileName(), saved + QStringLiteral(".zparams"));

    QSettings settings(dir.filePath(QStringLiteral("program.ini")), QSettings::IniFormat);
    m_tab->saveProgramSettings(settings);
    init();
    m_tab->loadProgramSettings(settings);
    QCOMPARE(page()->parameterSet(), set);
    QCOMPARE(widget<QComboBox>("car_param_mode")->currentIndex(), 1);

    // Damaged: refused with a message, the page keeps what it has.
    const QString damaged = dir.filePath(QStringLiteral("damaged.zparams"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CarParams::toJson(set).left(40));
    file.close();
    m_dialogs.fileAnswers.enqueue(damaged);
    widget<QPushButton>("car_param_open")->click();
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Critical), 1);
    QCOMPARE(page()->parameterSet(), set);
    QCOMPARE(page()->fileName(), saved + QStringLiteral(".zparams"));

    // A file gone by the next start: an empty page that says so, no box.
    QVERIFY(QFile::remove(saved + QStringLiteral(".zparams")));
    init();
    page()->setParameterSet({});
    m_tab->loadProgramSettings(settings);
    QVERIFY(page()->parameterSet().rows.isEmpty());
    QVERIFY(note().contains(QStringLiteral("上次的参数文件")));
    QCOMPARE(m_dialogs.calls.size(), 0);
}

QTEST_MAIN(TestParamView)
#include "test_paramview.moc"
