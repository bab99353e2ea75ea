#include "mainwindow.h"

#include "cartab.h"
#include "dialogs.h"
#include "gpstab.h"
#include "gsmtab.h"
#include "infotab.h"
#include "nettab.h"
#include "programinfo.h"
#include "serialportpanel.h"
#include "translation.h"
#include "uarttab.h"
#include "ui_mainwindow.h"

#include <QTimer>

namespace {
constexpr int kScanIntervalMs = 1000;
constexpr int kFontPointSize = 9;
// Receive files are left to their own buffering for the first seconds after
// start and flushed once a second after that.
constexpr int kTicksBeforeFlushing = 5;
}

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(std::make_unique<WidgetDialogs>(), nullptr, systemPortListSource(), parent)
{
}

MainWindow::MainWindow(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : MainWindow(nullptr, &dialogs, portSource, parent)
{
}

MainWindow::MainWindow(std::unique_ptr<Dialogs> ownDialogs, Dialogs *dialogs,
                       const PortListSource &portSource, QWidget *parent)
    : QMainWindow(parent)
    , m_ownDialogs(std::move(ownDialogs))
    , m_dialogs(dialogs ? *dialogs : *m_ownDialogs)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    setUpWindow();
    createTabs(portSource);

    m_scanTimer = new QTimer(this);
    connect(m_scanTimer, &QTimer::timeout, this, &MainWindow::com_scan);
    m_scanTimer->start(kScanIntervalMs);
}

MainWindow::~MainWindow()
{
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
    m_netTab = new NetTab(this);

    QTabWidget *tabs = ui->tabWidget_main;
    tabs->addTab(m_uartTab, mainTr("串口调试助手"));
    tabs->addTab(m_carTab, mainTr("智能车助手"));
    tabs->addTab(m_gsmTab, mainTr("GSM调试助手"));
    tabs->addTab(m_gpsTab, mainTr("GPS定位系统"));
    tabs->addTab(m_netTab, mainTr("网络调试助手"));
    tabs->addTab(m_infoTab, mainTr("智能车制作教程"));
    tabs->setCurrentIndex(0);
}

QList<SerialPortPanel *> MainWindow::serialPanels() const
{
    return {m_uartTab->panel(), m_carTab->panel(), m_gsmTab->panel(), m_gpsTab->panel()};
}

void MainWindow::com_scan()
{
    for (SerialPortPanel *panel : serialPanels())
        panel->refreshPortList();
    m_uartTab->panel()->reconnectIfLost();
    m_uartTab->updateStatistics();
    m_carTab->panel()->reconnectIfLost();

    if (++m_scanTicks > kTicksBeforeFlushing) {
        m_uartTab->flushReceiveFile();
        // The GSM tab's receive file is flushed here too, once it has one.
    }
}
