#include "mainwindow.h"

#include "cartab.h"
#include "devicewatcher.h"
#include "widgetdialogs.h"
#include "gpstab.h"
#include "gsmtab.h"
#include "infotab.h"
#include "language.h"
#include "nettab.h"
#include "programinfo.h"
#include "serialportpanel.h"
#include "settingsrecord.h"
#include "tooltab.h"
#include "translation.h"
#include "uarttab.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int kScanIntervalMs = 1000;
constexpr int kFontPointSize = 9;
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(std::make_unique<WidgetDialogs>(), nullptr, systemPortListSource(),
                 systemDeviceDirectories(), parent, QStringLiteral("soft_cfg.bin"))
{
}

MainWindow::MainWindow(Dialogs &dialogs, const PortListSource &portSource,
                       const QStringList &deviceDirectories, QWidget *parent,
                       const QString &settingsFile)
    : MainWindow(nullptr, &dialogs, portSource, deviceDirectories, parent, settingsFile)
{
}

MainWindow::MainWindow(std::unique_ptr<Dialogs> ownDialogs, Dialogs *dialogs,
                       const PortListSource &portSource, const QStringList &deviceDirectories,
                       QWidget *parent, const QString &settingsFile)
    : QMainWindow(parent)
    , m_ownDialogs(std::move(ownDialogs))
    , m_dialogs(dialogs ? *dialogs : *m_ownDialogs)
    , ui(std::make_unique<Ui::MainWindow>())
    , m_ports(portSource)
    , m_settingsFile(settingsFile)
{
    ui->setupUi(this);
    setUpWindow();
    m_ports.refresh();
    createTabs(m_ports.lastList());
    createLanguageMenu();
    startHousekeeping(deviceDirectories);
    readSettings();
}

MainWindow::~MainWindow()
{
    writeSettings();
    // The tabs outlive this part of the window while they are destroyed.
    for (QObject *tab : std::initializer_list<QObject *>{m_uartTab, m_carTab, m_gsmTab})
        tab->disconnect(this);
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
    m_toolTabs = {m_uartTab, m_carTab, m_gsmTab, m_gpsTab, m_netTab};

    QTabWidget *tabs = ui->tabWidget_main;
    tabs->addTab(m_uartTab, mainTr("串口调试助手"));
    tabs->addTab(m_carTab, mainTr("智能车助手"));
    tabs->addTab(m_gsmTab, mainTr("GSM调试助手"));
    tabs->addTab(m_gpsTab, mainTr("GPS定位系统"));
    tabs->addTab(m_netTab, mainTr("网络调试助手"));
    tabs->addTab(m_infoTab, mainTr("智能车制作教程"));
    tabs->setCurrentIndex(0);
    tabs->setMovable(true);
    for (int page = 0; page < int(m_pages.size()); ++page) {
        m_pages[size_t(page)] = tabs->widget(page);
        m_pageTitles[size_t(page)] = tabs->tabText(page);
    }
}

// Beside the tabs, a button whose menu chooses the language of the next
// start. Each language is named in itself.
void MainWindow::createLanguageMenu()
{
    auto *menu = new QMenu(this);
    auto *choices = new QActionGroup(menu);
    const LanguageChoice stored = storedLanguageChoice(programSettingsFile());
    const std::array<std::pair<QString, LanguageChoice>, 3> entries{{
        {mainTr("跟随系统"), LanguageChoice::FollowSystem},
        {QStringLiteral("中文"), LanguageChoice::Chinese},
        {QStringLiteral("English"), LanguageChoice::English},
    }};
    for (const auto &[text, choice] : entries) {
        QAction *action = menu->addAction(text);
        action->setCheckable(true);
        action->setChecked(choice == stored);
        action->setActionGroup(choices);
        connect(action, &QAction::triggered, this,
                [this, choice = choice] { chooseLanguage(choice); });
    }
    auto *button = new QToolButton(this);
    button->setObjectName(QStringLiteral("languageButton"));
    button->setText(mainTr("语言"));
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    ui->tabWidget_main->setCornerWidget(button, Qt::TopRightCorner);
}

void MainWindow::chooseLanguage(LanguageChoice choice)
{
    const QString file = programSettingsFile();
    if (!storeLanguageChoice(file, choice)) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("无法保存语言设置：%1").arg(file));
        return;
    }
    m_dialogs.information(this, mainTr("提示"), mainTr("语言将在程序下次启动时切换。"));
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
    connect(m_uartTab, &UartTab::tickNeedChanged, this, &MainWindow::updateScanTimer);
    connect(m_carTab, &CarTab::tickNeedChanged, this, &MainWindow::updateScanTimer);
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
    // Only panels whose user asked for it reconnect.
    for (SerialPortPanel *panel : serialPanels())
        panel->reconnectIfLost();
    updateScanTimer();
}

void MainWindow::refreshPortLists()
{
    for (SerialPortPanel *panel : serialPanels())
        panel->refreshPortList();
}

void MainWindow::com_scan()
{
    if (!m_deviceWatcher)
        m_ports.refresh();
    refreshPortLists();
    for (ToolTab *tab : m_toolTabs)
        tab->tick();
    updateScanTimer();
}

bool MainWindow::housekeepingDue() const
{
    // A source that cannot tell of changes is asked on every tick.
    return !m_deviceWatcher
        || std::any_of(m_toolTabs.begin(), m_toolTabs.end(),
                       [](const ToolTab *tab) { return tab->tickNeeded(); });
}

void MainWindow::updateScanTimer()
{
    if (!m_automaticScans)
        return;
    if (!housekeepingDue()) {
        m_scanTimer->stop();
    } else if (!m_scanTimer->isActive()) {
        m_scanTimer->start();
    }
}

void MainWindow::readSettings()
{
    if (m_settingsFile.isEmpty())
        return;
    const QSettings program(programSettingsFile(), QSettings::IniFormat);
    for (ToolTab *tab : m_toolTabs)
        tab->loadProgramSettings(program);
    const auto record = loadSettingsFile(m_settingsFile);
    if (!record)
        return;
    applyTabOrder(*record);
    for (ToolTab *tab : m_toolTabs)
        tab->loadSettings(*record);
}

void MainWindow::writeSettings()
{
    SettingsRecord record;
    if (m_settingsFile.isEmpty() || !fillTabOrder(record))
        return;
    QSettings program(programSettingsFile(), QSettings::IniFormat);
    for (const ToolTab *tab : m_toolTabs) {
        tab->saveSettings(record);
        tab->saveProgramSettings(program);
    }
    program.sync();
    if (program.status() != QSettings::NoError)
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("设置无法保存到 %1").arg(program.fileName()));
    QString error;
    if (!saveSettingsFile(m_settingsFile, record, &error))
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("设置无法保存到 %1：%2").arg(m_settingsFile, error));
}

void MainWindow::applyTabOrder(const SettingsRecord &record)
{
    QTabWidget *tabs = ui->tabWidget_main;
    if (record.hasValidTabOrder()) {
        for (QWidget *page : m_pages)
            tabs->removeTab(tabs->indexOf(page));
        for (quint8 page : record.tabOrder)
            tabs->addTab(m_pages[page], m_pageTitles[page]);
    }
    if (record.currentTab < m_pages.size())
        tabs->setCurrentIndex(record.currentTab);
}

bool MainWindow::fillTabOrder(SettingsRecord &record) const
{
    const QTabWidget *tabs = ui->tabWidget_main;
    for (int page = 0; page < int(m_pages.size()); ++page) {
        const int position = tabs->indexOf(m_pages[size_t(page)]);
        if (position < 0 || position >= int(m_pages.size()))
            return false;
        record.tabOrder[size_t(position)] = quint8(page);
    }
    record.currentTab = quint8(tabs->currentIndex());
    return true;
}
