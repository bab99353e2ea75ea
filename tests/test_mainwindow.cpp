// The window shell: its tabs, the scan that refreshes the port panels and
// drives the tabs' ticks, the device directories it watches and what it
// leaves behind. The panels themselves are tested in test_serialportpanel.
#include "fakeports.h"
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
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Kind = ScriptedDialogs::Kind;

namespace {

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
    void lostPortReopensAfterEveryReplugWithNothingLost_data();
    void lostPortReopensAfterEveryReplugWithNothingLost();
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
    const QStringList carPages{"摄像头", "线性CCD", "虚拟示波器", "参数调节", "阶跃响应", "帧格式"};
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
