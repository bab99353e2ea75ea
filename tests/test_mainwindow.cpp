// The window shell and the serial port panel of its four serial tabs, driven
// through the widgets a user touches, with pseudo-terminals as devices.
#include "fakeports.h"
#include "gsmtab.h"
#include "mainwindow.h"
#include "ptypair.h"
#include "replugdevice.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "testfiles.h"
#include "uarttab.h"
#include "webenginesandbox.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Kind = ScriptedDialogs::Kind;

namespace {

const QString kErrorTitle = QStringLiteral("出错啦！");
const QString kNoSuchPort = QStringLiteral("打开端口失败：\n端口不存在;");
const QString kOpenFailed =
    QStringLiteral("打开端口失败，可能的原因：\n1.端口不存在;\n2.端口被占用;\n3.端口已卸载");
const QString kUnplugged = QStringLiteral("端口已卸载！");

// The object names of one tab's port panel.
struct PanelNames
{
    QString tab, portBox, baudRateBox, dataBitsBox, parityBox, stopBitsBox, button;
    QString silenceCheck, relinkCheck; // empty where the tab has none
};

PanelNames standardNames(const QString &prefix, bool hasChecks)
{
    return {prefix + "_tab",         prefix + "_portBox",    prefix + "_baudRateBox",
            prefix + "_dataBitsBox", prefix + "_parityBox",  prefix + "_stopBitsBox",
            prefix + "_OpenCloseButton", hasChecks ? prefix + "_iserror_check" : QString(),
            hasChecks ? prefix + "_is_relink_check" : QString()};
}

PanelNames panelNames(const QString &tab)
{
    if (tab == QLatin1String("gps"))
        return {"gps_tab",       "gps_portBox",     "baudRateBox_gps",     "dataBitsBox_gps",
                "parityBox_gps", "stopBitsBox_gps", "openCloseButton_gps", {}, {}};
    return standardNames(tab, tab == QLatin1String("uart") || tab == QLatin1String("car"));
}

void addTabRows()
{
    QTest::addColumn<QString>("tab");
    for (const char *tab : {"uart", "car", "gsm", "gps"})
        QTest::newRow(tab) << QString::fromLatin1(tab);
}

// A serial adapter the test can pull out and plug back in under the same
// name, listed by the fake port source like a real USB adapter.
class Adapter
{
public:
    Adapter(FakePorts &ports, const QString &dir, const QString &friendlyName = "USB-SERIAL")
        : m_ports(ports)
        , m_link(dir + "/ttyZK0")
        , m_friendlyName(friendlyName)
    {
        plugIn();
    }
    QString name() const { return m_link; }
    PtyPair &device() { return *m_pty; }

    void unplug()
    {
        m_pty->unplug();
        QFile::remove(m_link);
        m_ports.ports->removeAll(PortEntry{m_link, m_friendlyName});
    }
    void plugIn()
    {
        m_pty = std::make_unique<PtyPair>();
        QFile::link(m_pty->slavePath(), m_link);
        m_ports.ports->append(PortEntry{m_link, m_friendlyName});
    }

private:
    FakePorts &m_ports;
    QString m_link;
    QString m_friendlyName;
    std::unique_ptr<PtyPair> m_pty;
};

// Counts the timer events the application delivers to any object.
// Timeouts of the program's own QTimers. Qt's widgets keep timers of
// their own (a focused edit's blinking cursor, style animations), which a
// user's desktop runs for every program alike.
class TimerEvents : public QObject
{
public:
    TimerEvents() { qApp->installEventFilter(this); }
    int count = 0;
    QStringList owners;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && qobject_cast<QTimer *>(receiver)) {
            ++count;
            QObject *owner = receiver->parent();
            owners.append(owner ? QString::fromLatin1(owner->metaObject()->className()) + ' '
                                      + owner->objectName()
                                : QStringLiteral("(no parent)"));
        }
        return false;
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tabsStandInOrderWithTheirTitles();
    void innerTabWidgetsGrowExactlyWithTheWindow();
    void settingCombosCarryTheValuesPassedToThePort_data();
    void settingCombosCarryTheValuesPassedToThePort();
    void openingAPseudoTerminalSwitchesThePanelState_data();
    void openingAPseudoTerminalSwitchesThePanelState();
    void emptyNameIsReportedEvenWhenSilenced_data();
    void emptyNameIsReportedEvenWhenSilenced();
    void namedOpenFailureIsSilentOnlyWhenTheTabAllowsIt_data();
    void namedOpenFailureIsSilentOnlyWhenTheTabAllowsIt();
    void bytesTravelThroughAnOpenedTab();
    void gsmPortIsDrainedWhileOpen();
    void unplugClosesOnceAndWarnsUnlessSilenced_data();
    void unplugClosesOnceAndWarnsUnlessSilenced();
    void gsmAndGpsAlwaysWarnOfUnplugAndNeverReconnect();
    void lostPortReopensOnFirstScanAfterItsNameReturns_data();
    void lostPortReopensOnFirstScanAfterItsNameReturns();
    void lostPortReopensAfterEveryReplugWithNothingLost_data();
    void lostPortReopensAfterEveryReplugWithNothingLost();
    void closingByTheButtonEndsReconnection();
    void anotherAdapterComingOrGoingLeavesAnOpenPortAlone();
    void refreshKeepsSelectionsAndNeverClosesAPort();
    void changedFriendlyNamesAloneDoNotRefresh();
    void statisticsLineShowsTotalsAndLastSecondsSpeed();
    void portsAreEnumeratedOncePerDeviceChangeForAllTabs();
    void scanTimerRunsOnlyWhileATickHasWork();
    void idleWindowRunsNoTimerAndNoWebEngine();
    void leavesNoFilesBehind();
    void webEngineSandboxIsTurnedOffOnlyForRoot();
    void receiveFileIsFlushedWithoutTheTickAndClosedAtExit();
    void gsmReceiveFileLeavesTheScanTimerResting();

private:
    QWidget *tab(const PanelNames &names) { return child<QWidget>(m_window.get(), names.tab); }
    template <typename T>
    T *widget(const PanelNames &names, const QString &name)
    {
        return child<T>(tab(names), name);
    }
    SerialPortPanel *panel(const PanelNames &names) { return child<SerialPortPanel>(tab(names), {}); }
    void typePortName(const PanelNames &names, const QString &name)
    {
        widget<QComboBox>(names, names.portBox)->setEditText(name);
    }
    void clickOpenClose(const PanelNames &names)
    {
        widget<QPushButton>(names, names.button)->click();
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::init()
{
    m_dialogs = ScriptedDialogs();
    m_ports.ports->clear();
    m_dir = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<MainWindow>(m_dialogs, m_ports.source());
    // The housekeeping is driven by the tests, one com_scan() a "second";
    // without device directories to watch, every scan asks the fake source.
    m_window->stopAutomaticScans();
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestMainWindow::tabsStandInOrderWithTheirTitles()
{
    auto *tabs = child<QTabWidget>(m_window.get(), "tabWidget_main");
    const QStringList names{"uart_tab", "car_tab", "gsm_tab", "gps_tab", "net_tab", "info_tab"};
    const QStringList titles{"串口调试助手", "智能车助手", "GSM调试助手",
                             "GPS定位系统",  "网络调试助手", "智能车制作教程"};
    QCOMPARE(tabs->count(), names.size());
    for (int i = 0; i < tabs->count(); ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), names.at(i));
        QCOMPARE(tabs->tabText(i), titles.at(i));
    }
    const QStringList carPages{"摄像头", "线性CCD", "虚拟示波器", "参数调节"};
    auto *carTabs = child<QTabWidget>(m_window.get(), "car_tabWidget");
    QCOMPARE(carTabs->count(), carPages.size());
    for (int i = 0; i < carTabs->count(); ++i)
        QCOMPARE(carTabs->tabText(i), carPages.at(i));
}

void TestMainWindow::innerTabWidgetsGrowExactlyWithTheWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QStringList grown{"tabWidget_main", "info_tabWidget", "car_tabWidget"};
    auto *tabs = child<QTabWidget>(m_window.get(), "tabWidget_main");
    QList<QSize> before;
    for (int i = 0; i < tabs->count(); ++i)
        tabs->setCurrentIndex(i); // lay out every page once
    for (const QString &name : grown)
        before.append(child<QWidget>(m_window.get(), name)->size());

    m_window->resize(m_window->size() + QSize(100, 50));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < grown.size(); ++i)
        QCOMPARE(child<QWidget>(m_window.get(), grown.at(i))->size(), before.at(i) + QSize(100, 50));
}

void TestMainWindow::settingCombosCarryTheValuesPassedToThePort_data()
{
    addTabRows();
}

void TestMainWindow::settingCombosCarryTheValuesPassedToThePort()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    auto *baud = widget<QComboBox>(names, names.baudRateBox);
    auto *data = widget<QComboBox>(names, names.dataBitsBox);
    auto *parity = widget<QComboBox>(names, names.parityBox);
    auto *stop = widget<QComboBox>(names, names.stopBitsBox);
    SerialPort *port = panel(names)->link()->port();

    const QList<int> rates{1200,   2400,   4800,    9600,    14400,   19200,  38400,
                           56000,  57600,  115200,  128000,  256000,  230400, 460800,
                           921600, 1000000, 1500000, 2000000, 3000000};
    QCOMPARE(baud->count(), rates.size());
    for (int i = 0; i < rates.size(); ++i) {
        QCOMPARE(baud->itemText(i), QString::number(rates.at(i)));
        QCOMPARE(baud->itemData(i).toInt(), rates.at(i));
    }
    QCOMPARE(baud->currentIndex(), 9);
    QCOMPARE(port->baudRate(), 115200);
    QCOMPARE(data->currentText(), QStringLiteral("8"));
    QCOMPARE(port->dataBits(), 8);
    QCOMPARE(parity->currentText(), QStringLiteral("无"));
    QCOMPARE(stop->currentText(), QStringLiteral("1"));

    baud->setCurrentIndex(3);
    QCOMPARE(port->baudRate(), 9600);
    data->setCurrentIndex(0);
    QCOMPARE(port->dataBits(), 5);
    QCOMPARE(parity->itemText(1), QStringLiteral("奇校验"));
    parity->setCurrentIndex(1);
    QCOMPARE(port->parity(), 1);
    QCOMPARE(parity->itemText(2), QStringLiteral("偶校验"));
    parity->setCurrentIndex(2);
    QCOMPARE(port->parity(), 2);
    stop->setCurrentIndex(1);
    QCOMPARE(stop->currentText(), QStringLiteral("2"));
    QCOMPARE(port->stopBits(), 2);
}

void TestMainWindow::openingAPseudoTerminalSwitchesThePanelState_data()
{
    addTabRows();
}

void TestMainWindow::openingAPseudoTerminalSwitchesThePanelState()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    PtyPair device;
    auto *button = widget<QPushButton>(names, names.button);
    QCOMPARE(button->text(), QStringLiteral("打开串口"));

    typePortName(names, device.slavePath());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());
    QCOMPARE(button->text(), QStringLiteral("关闭串口"));
    for (const QString &box : {names.portBox, names.baudRateBox, names.dataBitsBox,
                               names.parityBox, names.stopBitsBox})
        QVERIFY(!widget<QComboBox>(names, box)->isEnabled());
    if (tab == QLatin1String("gps"))
        QVERIFY(!widget<QComboBox>(names, "gps_com")->isEnabled());

    clickOpenClose(names);
    QVERIFY(!panel(names)->isOpen());
    QCOMPARE(button->text(), QStringLiteral("打开串口"));
    QVERIFY(widget<QComboBox>(names, names.portBox)->isEnabled());
    if (tab == QLatin1String("gps"))
        QVERIFY(widget<QComboBox>(names, "gps_com")->isEnabled());
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestMainWindow::emptyNameIsReportedEvenWhenSilenced_data()
{
    addTabRows();
}

void TestMainWindow::emptyNameIsReportedEvenWhenSilenced()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    if (!names.silenceCheck.isEmpty())
        QVERIFY(widget<QCheckBox>(names, names.silenceCheck)->isChecked());
    typePortName(names, QString());
    clickOpenClose(names);

    QVERIFY(!panel(names)->isOpen());
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, Kind::Information);
    QCOMPARE(m_dialogs.calls.at(0).title, kErrorTitle);
    // The tabs without a silence box give their one long message.
    QCOMPARE(m_dialogs.calls.at(0).text, names.silenceCheck.isEmpty() ? kOpenFailed : kNoSuchPort);
}

void TestMainWindow::namedOpenFailureIsSilentOnlyWhenTheTabAllowsIt_data()
{
    addTabRows();
}

void TestMainWindow::namedOpenFailureIsSilentOnlyWhenTheTabAllowsIt()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    const bool canSilence = !names.silenceCheck.isEmpty();
    typePortName(names, m_dir->filePath("ttyMissing"));

    clickOpenClose(names);
    QCOMPARE(m_dialogs.texts(Kind::Information),
             canSilence ? QStringList() : QStringList{kOpenFailed});

    if (canSilence) {
        widget<QCheckBox>(names, names.silenceCheck)->setChecked(false);
        clickOpenClose(names);
        QCOMPARE(m_dialogs.texts(Kind::Information), QStringList{kOpenFailed});
    }
    QVERIFY(!panel(names)->isOpen());
}

void TestMainWindow::bytesTravelThroughAnOpenedTab()
{
    const PanelNames names = panelNames("uart");
    PtyPair device;
    typePortName(names, device.slavePath());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());

    panel(names)->link()->port()->write("AT\r\n");
    QCOMPARE(device.read(4), QByteArray("AT\r\n"));
}

void TestMainWindow::gsmPortIsDrainedWhileOpen()
{
    const PanelNames names = panelNames("gsm");
    PtyPair device;
    typePortName(names, device.slavePath());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());

    const QByteArray reply = QByteArray(64 * 1024, 'R');
    QVERIFY(device.write(reply));
    auto *gsm = child<GsmTab>(m_window.get(), {});
    QTRY_COMPARE(gsm->receivedByteCount(), qint64(reply.size()));
    QVERIFY(panel(names)->link()->port()->readAll().isEmpty());
}

void TestMainWindow::unplugClosesOnceAndWarnsUnlessSilenced_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<bool>("silenced");
    for (const char *tab : {"uart", "car"}) {
        QTest::addRow("%s silenced", tab) << QString::fromLatin1(tab) << true;
        QTest::addRow("%s warning", tab) << QString::fromLatin1(tab) << false;
    }
}

void TestMainWindow::unplugClosesOnceAndWarnsUnlessSilenced()
{
    QFETCH(QString, tab);
    QFETCH(bool, silenced);
    const PanelNames names = panelNames(tab);
    widget<QCheckBox>(names, names.silenceCheck)->setChecked(silenced);
    auto device = std::make_unique<PtyPair>();
    typePortName(names, device->slavePath());
    clickOpenClose(names);
    QSignalSpy closed(panel(names), &SerialPortPanel::closed);

    device->unplug();
    QTRY_VERIFY(!panel(names)->isOpen());
    QTest::qWait(100);
    QCOMPARE(closed.count(), 1);
    QVERIFY(panel(names)->portLost());
    QCOMPARE(widget<QPushButton>(names, names.button)->text(), QStringLiteral("打开串口"));
    QCOMPARE(m_dialogs.texts(Kind::Information),
             silenced ? QStringList() : QStringList{kUnplugged});
}

void TestMainWindow::gsmAndGpsAlwaysWarnOfUnplugAndNeverReconnect()
{
    for (const QString tab : {"gsm", "gps"}) {
        m_dialogs.clear();
        const PanelNames names = panelNames(tab);
        Adapter adapter(m_ports, m_dir->path() + "/" + tab);
        QDir().mkpath(m_dir->path() + "/" + tab);
        adapter.unplug();
        adapter.plugIn();
        m_window->com_scan();
        typePortName(names, adapter.name());
        clickOpenClose(names);
        QVERIFY(panel(names)->isOpen());

        adapter.unplug();
        QTRY_COMPARE(m_dialogs.texts(Kind::Information), QStringList{kUnplugged});
        adapter.plugIn();
        m_window->com_scan();
        m_window->com_scan();
        QVERIFY(!panel(names)->isOpen());
    }
}

void TestMainWindow::lostPortReopensOnFirstScanAfterItsNameReturns_data()
{
    QTest::addColumn<QString>("tab");
    QTest::newRow("uart") << QStringLiteral("uart");
    QTest::newRow("car") << QStringLiteral("car");
}

void TestMainWindow::lostPortReopensOnFirstScanAfterItsNameReturns()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    Adapter adapter(m_ports, m_dir->path());
    m_window->com_scan();
    QCOMPARE(widget<QComboBox>(names, names.portBox)->currentText(), adapter.name());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());
    QCOMPARE(panel(names)->lastPortName(), adapter.name());

    adapter.unplug();
    QTRY_VERIFY(panel(names)->portLost());
    m_window->com_scan(); // the name is gone: nothing to reopen
    QVERIFY(!panel(names)->isOpen());

    adapter.plugIn();
    m_window->com_scan();
    QVERIFY(panel(names)->isOpen());
    QVERIFY(panel(names)->portLost()); // a second loss is picked up again
    QCOMPARE(m_dialogs.calls.size(), 0);

    panel(names)->link()->port()->write("back");
    QCOMPARE(adapter.device().read(4), QByteArray("back"));
}

void TestMainWindow::lostPortReopensAfterEveryReplugWithNothingLost_data()
{
    QTest::addColumn<QString>("tab");
    QTest::newRow("uart") << QStringLiteral("uart");
    QTest::newRow("car") << QStringLiteral("car");
}

// The device directory is watched as /dev is: the window alone notices the
// name going and coming back, and reopens the port.
void TestMainWindow::lostPortReopensAfterEveryReplugWithNothingLost()
{
    QFETCH(QString, tab);
    const PanelNames names = panelNames(tab);
    ReplugDevice adapter;
    m_window = std::make_unique<MainWindow>(m_dialogs, adapter.portSource(),
                                            QStringList{adapter.directory()});
    typePortName(names, adapter.name());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());

    for (int cycle = 0; cycle < 10; ++cycle) {
        // Back at once, or once the window has seen the name go.
        const int absentMs = cycle % 2 ? 500 : 0;
        const ReplugCycle result =
            replugOnce(adapter, *panel(names)->link(), cycle, absentMs, 10000);
        QVERIFY2(result.reopened, qPrintable(QStringLiteral("cycle %1").arg(cycle)));
        QCOMPARE(result.programReceived, result.deviceSent);
        QCOMPARE(result.deviceReceived, result.programSent);
    }
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestMainWindow::closingByTheButtonEndsReconnection()
{
    const PanelNames names = panelNames("uart");
    Adapter adapter(m_ports, m_dir->path());
    m_window->com_scan();
    clickOpenClose(names);
    adapter.unplug();
    QTRY_VERIFY(panel(names)->portLost());
    adapter.plugIn();
    m_window->com_scan();
    QVERIFY(panel(names)->isOpen());

    clickOpenClose(names);
    QVERIFY(!panel(names)->portLost());
    m_window->com_scan();
    QVERIFY(!panel(names)->isOpen());

    // Nor does a lost port reopen when the user turned reconnection off.
    clickOpenClose(names);
    widget<QCheckBox>(names, names.relinkCheck)->setChecked(false);
    adapter.unplug();
    QTRY_VERIFY(panel(names)->portLost());
    adapter.plugIn();
    m_window->com_scan();
    QVERIFY(!panel(names)->isOpen());
}

void TestMainWindow::anotherAdapterComingOrGoingLeavesAnOpenPortAlone()
{
    const PanelNames names = panelNames("uart");
    widget<QCheckBox>(names, names.silenceCheck)->setChecked(false);
    Adapter adapter(m_ports, m_dir->path());
    m_window->com_scan();
    clickOpenClose(names);

    m_ports.ports->append(PortEntry{"ttyACM7", "Modem"});
    m_window->com_scan();
    m_ports.ports->removeLast();
    m_window->com_scan();

    QVERIFY(panel(names)->isOpen());
    QVERIFY(!panel(names)->portLost());
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestMainWindow::refreshKeepsSelectionsAndNeverClosesAPort()
{
    *m_ports.ports = {{"ttyS0", "Console"}, {"ttyUSB0", "CH340"}, {"ttyUSB1", "CP2102"}};
    m_window->com_scan();
    const PanelNames uart = panelNames("uart");
    const PanelNames gps = panelNames("gps");
    auto *uartBox = widget<QComboBox>(uart, uart.portBox);
    auto *gpsBox = widget<QComboBox>(gps, gps.portBox);
    QCOMPARE(uartBox->count(), 3);
    QCOMPARE(uartBox->itemData(1).toString(), QStringLiteral("CH340"));
    gpsBox->setCurrentIndex(2);
    QCOMPARE(gpsBox->toolTip(), QStringLiteral("CP2102"));

    PtyPair device;
    const PanelNames car = panelNames("car");
    typePortName(car, device.slavePath());
    clickOpenClose(car);

    m_ports.ports->prepend(PortEntry{"ttyACM0", "Modem"});
    m_window->com_scan();
    QCOMPARE(uartBox->count(), 4);
    QCOMPARE(uartBox->currentText(), QStringLiteral("ttyS0"));
    QCOMPARE(gpsBox->currentText(), QStringLiteral("ttyUSB1"));
    QCOMPARE(gpsBox->toolTip(), QStringLiteral("CP2102"));
    QVERIFY(panel(car)->isOpen());
    QCOMPARE(widget<QComboBox>(car, car.portBox)->currentText(), device.slavePath());

    // A selected port that vanishes leaves its combo without a selection.
    m_ports.ports->removeAll(PortEntry{"ttyUSB1", "CP2102"});
    m_window->com_scan();
    QCOMPARE(gpsBox->currentIndex(), -1);
    QCOMPARE(uartBox->currentText(), QStringLiteral("ttyS0"));
}

void TestMainWindow::changedFriendlyNamesAloneDoNotRefresh()
{
    *m_ports.ports = {{"ttyUSB0", "CH340"}};
    m_window->com_scan();
    const PanelNames names = panelNames("uart");
    auto *box = widget<QComboBox>(names, names.portBox);
    (*m_ports.ports)[0].friendlyName = QStringLiteral("Renamed");
    m_window->com_scan();
    QCOMPARE(box->itemData(0).toString(), QStringLiteral("CH340"));
    QCOMPARE(box->toolTip(), QStringLiteral("CH340"));
}

void TestMainWindow::statisticsLineShowsTotalsAndLastSecondsSpeed()
{
    const PanelNames names = panelNames("uart");
    auto *group = child<QGroupBox>(m_window.get(), "uart_recvgroup");
    m_window->com_scan();
    QCOMPARE(group->title(), QStringLiteral("接收区：共接收0字节，速度0字节/秒。共发送0字节。"));

    PtyPair device;
    typePortName(names, device.slavePath());
    clickOpenClose(names);
    device.write("0123456789");
    QTRY_COMPARE(child<UartTab>(m_window.get(), "uart_tab")->rxTotal(), qint64(10));
    m_window->com_scan();
    QCOMPARE(group->title(), QStringLiteral("接收区：共接收10字节，速度10字节/秒。共发送0字节。"));
    m_window->com_scan();
    QCOMPARE(group->title(), QStringLiteral("接收区：共接收10字节，速度0字节/秒。共发送0字节。"));
}

void TestMainWindow::portsAreEnumeratedOncePerDeviceChangeForAllTabs()
{
    int enumerations = 0;
    const auto ports = m_ports.ports;
    MainWindow window(m_dialogs, [&enumerations, ports] { ++enumerations; return *ports; },
                      {m_dir->path()});
    window.stopAutomaticScans();
    QCOMPARE(enumerations, 1);
    window.com_scan();
    window.com_scan();
    QCOMPARE(enumerations, 1);

    m_ports.ports->append(PortEntry{"ttyUSB0", "CH340"});
    QVERIFY(QFile(m_dir->filePath("ttyUSB0")).open(QIODevice::WriteOnly));
    QTRY_COMPARE(enumerations, 2);
    for (const char *tab : {"uart", "car", "gsm", "gps"}) {
        auto *box = child<QComboBox>(&window, panelNames(tab).portBox);
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->itemText(0), QStringLiteral("ttyUSB0"));
    }
    window.com_scan();
    QCOMPARE(enumerations, 2);
}

void TestMainWindow::scanTimerRunsOnlyWhileATickHasWork()
{
    MainWindow window(m_dialogs, m_ports.source(), {m_dir->path()});
    QTRY_VERIFY(!window.scanTimer()->isActive()); // the statistics line is shown once

    const PanelNames uart = panelNames("uart");
    PtyPair uartDevice;
    child<QComboBox>(&window, uart.portBox)->setEditText(uartDevice.slavePath());
    child<QPushButton>(&window, uart.button)->click();
    QVERIFY(!window.scanTimer()->isActive()); // a quiet open port has nothing to count
    uartDevice.write("0123456789");
    QTRY_COMPARE(child<UartTab>(&window, "uart_tab")->rxTotal(), qint64(10));
    QVERIFY(window.scanTimer()->isActive());
    // It ticks on until the line shows the speed back at 0.
    QTRY_VERIFY_WITH_TIMEOUT(!window.scanTimer()->isActive(), 10000);
    QCOMPARE(child<QGroupBox>(&window, "uart_recvgroup")->title(),
             QStringLiteral("接收区：共接收10字节，速度0字节/秒。共发送0字节。"));
    child<QPushButton>(&window, uart.button)->click();

    const PanelNames car = panelNames("car");
    PtyPair carDevice;
    child<QComboBox>(&window, car.portBox)->setEditText(carDevice.slavePath());
    child<QPushButton>(&window, car.button)->click();
    QVERIFY(!window.scanTimer()->isActive());
    carDevice.unplug();
    QTRY_VERIFY(window.scanTimer()->isActive()); // waiting to reconnect
    child<QCheckBox>(&window, car.relinkCheck)->setChecked(false);
    QVERIFY(!window.scanTimer()->isActive());
}

void TestMainWindow::idleWindowRunsNoTimerAndNoWebEngine()
{
    MainWindow window(m_dialogs, m_ports.source(), {m_dir->path()});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // A port open on a quiet line changes nothing.
    PtyPair device;
    child<QComboBox>(&window, panelNames("uart").portBox)->setEditText(device.slavePath());
    child<QPushButton>(&window, panelNames("uart").button)->click();
    QTRY_VERIFY(!window.scanTimer()->isActive()); // the statistics line is shown once
    TimerEvents timers;
    QTest::qWait(1500);
    QVERIFY2(timers.count == 0, qPrintable(timers.owners.join(QStringLiteral(", "))));
    QVERIFY(!window.findChild<QWidget *>("webView_gps"));

    // The map page comes with the GPS tab.
    child<QTabWidget>(&window, "tabWidget_main")->setCurrentWidget(child<QWidget>(&window, "gps_tab"));
    QVERIFY(window.findChild<QWidget *>("webView_gps"));
}

void TestMainWindow::leavesNoFilesBehind()
{
    QTemporaryDir workDir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    {
        ScriptedDialogs dialogs;
        PtyPair device;
        MainWindow window(dialogs, m_ports.source());
        window.show();
        const PanelNames names = panelNames("uart");
        child<QComboBox>(&window, names.portBox)->setEditText(device.slavePath());
        child<QPushButton>(&window, names.button)->click();
        window.com_scan();
    }
    QDir::setCurrent(previous);
    QCOMPARE(QDir(workDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

void TestMainWindow::webEngineSandboxIsTurnedOffOnlyForRoot()
{
    const char *variable = "QTWEBENGINE_DISABLE_SANDBOX";
    const QByteArray before = qgetenv(variable);
    qunsetenv(variable);

    QVERIFY(relaxWebEngineSandboxForRoot(1000).isEmpty());
    QVERIFY(!qEnvironmentVariableIsSet(variable));

    QVERIFY(!relaxWebEngineSandboxForRoot(0).isEmpty());
    QCOMPARE(qgetenv(variable), QByteArray("1"));

    // A setting made before start stays, and nothing more is said.
    qputenv(variable, "0");
    QVERIFY(relaxWebEngineSandboxForRoot(0).isEmpty());
    QCOMPARE(qgetenv(variable), QByteArray("0"));

    qputenv(variable, before);
}

// The serial assistant's receive file flushes itself, without the tick, and
// closes with the window.
void TestMainWindow::receiveFileIsFlushedWithoutTheTickAndClosedAtExit()
{
    PtyPair device;
    const PanelNames names = panelNames("uart");
    const QString file = m_dir->filePath("flushed.txt");
    m_dialogs.fileAnswers.enqueue(file);
    typePortName(names, device.slavePath());
    clickOpenClose(names);
    QVERIFY(panel(names)->isOpen());
    widget<QCheckBox>(names, "uart_file_ck")->setChecked(true);
    QCOMPARE(m_dialogs.count(Kind::Question), 0); // a new file needs no question
    auto *uart = child<UartTab>(m_window.get(), names.tab);
    device.write("0123456789");
    QTRY_COMPARE(uart->rxTotal(), qint64(10));

    QTRY_COMPARE_WITH_TIMEOUT(contentOf(file), QByteArray("0123456789"), 1500);

    device.write("ab");
    QTRY_COMPARE(uart->rxTotal(), qint64(12));
    m_window.reset();
    QCOMPARE(contentOf(file), QByteArray("0123456789ab"));
}

// A GSM receive file gives the window's tick no work.
void TestMainWindow::gsmReceiveFileLeavesTheScanTimerResting()
{
    PtyPair device;
    QTemporaryDir devices;
    MainWindow window(m_dialogs, m_ports.source(), {devices.path()});
    QTRY_VERIFY(!window.scanTimer()->isActive());
    child<QLineEdit>(&window, "gsm_fileEdit")->setText(m_dir->filePath("kept.txt"));
    child<QCheckBox>(&window, "gsm_file_ck")->setChecked(true);
    child<QComboBox>(&window, "gsm_portBox")->setEditText(device.slavePath());
    child<QPushButton>(&window, "gsm_OpenCloseButton")->click();
    QVERIFY(!window.scanTimer()->isActive()); // an open GSM port alone is no work
    device.write("+CSQ: 16,0\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(m_dir->filePath("kept.txt")), QByteArray("+CSQ: 16,0\r\n"),
                              1500);
    QVERIFY(!window.scanTimer()->isActive());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
