#include "mainwindow.h"

#include "cartab.h"
#include "devicewatcher.h"
#include "dialogs.h"
#include "gpstab.h"
#include "gsmtab.h"
#include "infotab.h"
#include "nettab.h"
#include "programinfo.h"
#include "receivefileswitch.h"
#include "serialportpanel.h"
#include "translation.h"
#include "uarttab.h"
#include "ui_mainwindow.h"

#include <QTimer>

#include <algorithm>

namespace {
constexpr int kScanIntervalMs = 1000;
constexpr int kFontPointSize = 9;
// Receive files are left to their own buffering for the first seconds after
// start and flushed once a second after that.
constexpr int kTicksBeforeFlushing = 5;
}

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(std::make_unique<WidgetDialogs>(), nullptr, systemPortListSource(),
                 systemDeviceDirectories(), parent)
{
}

MainWindow::MainWindow(Dialogs &dialogs, const PortListSource &portSource,
                       const QStringList &deviceDirectories, QWidget *parent)
    : MainWindow(nullptr, &dialogs, portSource, deviceDirectories, parent)
{
}

MainWindow::MainWindow(std::unique_ptr<Dialogs> ownDialogs, Dialogs *dialogs,
                       const PortListSource &portSource, const QStringList &deviceDirectories,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_ownDialogs(std::move(ownDialogs))
    , m_dialogs(dialogs ? *dialogs : *m_ownDialogs)
    , ui(std::make_unique<Ui::MainWindow>())
    , m_ports(portSource)
{
    m_sinceStart.start();
    ui->setupUi(this);
    setUpWindow();
    m_ports.refresh();
    createTabs(m_ports.lastList());
    startHousekeeping(deviceDirectories);
}

MainWindow::~MainWindow()
{
    // The tabs outlive this part of the window while they are destroyed.
    for (SerialPortPanel *panel : serialPanels())
        panel->disconnect(this);
    m_uartTab->disconnect(this);
    m_gsmTab->disconnect(this);
    m_uartTab->closeReceiveFile();
}

void MainWindow::setUpWindow()
{
    // Customised, but with the usual title bar buttons: without them a
    // Linux window manager shows a window that cannot be closed or moved.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(programTitle());
    QFont windowFont = font();
    windowFont.setPointSize(kFontPointSize);
    setFont(windowFont);
}

void MainWindow::createTabs(const PortListSource &portSource)
{
    // Built in this order so that later tabs may rely on earlier ones, and
    // shown in the order a user reaches for them.
    m_infoTab = new InfoTab(this);
    m_uartTab = new UartTab(m_dialogs, portSource, this);
    m_gsmTab = new GsmTab(m_dialogs, portSource, this);
    m_gpsTab = new GpsTab(m_dialogs, portSource, this);
    m_carTab = new CarTab(m_dialogs, portSource, this);
    m_netTab = new NetTab(m_dialogs, this);

    QTabWidget *tabs = ui->tabWidget_main;
    tabs->addTab(m_uartTab, mainTr("串口调试助手"));
    tabs->addTab(m_carTab, mainTr("智能车助手"));
    tabs->addTab(m_gsmTab, mainTr("GSM调试助手"));
    tabs->addTab(m_gpsTab, mainTr("GPS定位系统"));
    tabs->addTab(m_netTab, mainTr("网络调试助手"));
    tabs->addTab(m_infoTab, mainTr("智能车制作教程"));
    tabs->setCurrentIndex(0);
}

QStringList MainWindow::systemDeviceDirectories()
{
    return {QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id")};
}

void MainWindow::startHousekeeping(const QStringList &deviceDirectories)
{
    m_scanTimer = new QTimer(this);
    m_scanTimer->setInterval(kScanIntervalMs);
    connect(m_scanTimer, &QTimer::timeout, this, &MainWindow::com_scan);

    if (!deviceDirectories.isEmpty()) {
        m_deviceWatcher = new DeviceDirectoryWatcher(
            deviceDirectories, DeviceDirectoryWatcher::Method::Notify, this);
        connect(m_deviceWatcher, &DeviceDirectoryWatcher::changed, this,
                &MainWindow::onDevicesChanged);
    }
    for (SerialPortPanel *panel : {m_uartTab->panel(), m_carTab->panel()})
        connect(panel, &SerialPortPanel::linkStateChanged, this, &MainWindow::updateScanTimer);
    connect(m_uartTab, &UartTab::statisticsChanged, this, &MainWindow::updateScanTimer);
    connect(m_gsmTab, &GsmTab::receiveFileWritten, this, &MainWindow::updateScanTimer);
    updateScanTimer();
}

void MainWindow::stopAutomaticScans()
{
    m_automaticScans = false;
    m_scanTimer->stop();
}

QList<SerialPortPanel *> MainWindow::serialPanels() const
{
    return {m_uartTab->panel(), m_carTab->panel(), m_gsmTab->panel(), m_gpsTab->panel()};
}

void MainWindow::onDevicesChanged()
{
    m_ports.refresh();
    refreshPortLists();
    reconnectLostPorts();
    updateScanTimer();
}

void MainWindow::refreshPortLists()
{
    for (SerialPortPanel *panel : serialPanels())
        panel->refreshPortList();
}

void MainWindow::reconnectLostPorts()
{
    m_uartTab->panel()->reconnectIfLost();
    m_carTab->panel()->reconnectIfLost();
}

void MainWindow::com_scan()
{
    if (!m_deviceWatcher)
        m_ports.refresh();
    refreshPortLists();
    m_uartTab->panel()->reconnectIfLost();
    m_uartTab->updateStatistics();
    m_carTab->panel()->reconnectIfLost();

    if (++m_scanTicks > kTicksBeforeFlushing) {
        m_uartTab->flushReceiveFile();
        m_gsmTab->receiveFile()->flush();
    }
    updateScanTimer();
}

bool MainWindow::housekeepingDue() const
{
    // A source that cannot tell of changes is asked on every tick.
    return !m_deviceWatcher || m_uartTab->housekeepingDue()
        || m_gsmTab->receiveFile()->hasUnflushedBytes()
        || m_uartTab->panel()->reconnectionPending() || m_carTab->panel()->reconnectionPending();
}

void MainWindow::updateScanTimer()
{
    if (!m_automaticScans)
        return;
    if (!housekeepingDue()) {
        m_scanTimer->stop();
    } else if (!m_scanTimer->isActive()) {
        // The flush delay counts seconds since start, resting ones included.
        m_scanTicks = std::max(m_scanTicks, int(m_sinceStart.elapsed() / kScanIntervalMs));
        m_scanTimer->start();
    }
}
