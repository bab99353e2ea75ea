#include "mainwindow.h"

#include "cartab.h"
#include "ciplineedit.h"
#include "devicewatcher.h"
#include "widgetdialogs.h"
#include "gpstab.h"
#include "gsmtab.h"
#include "infotab.h"
#include "language.h"
#include "nettab.h"
#include "programinfo.h"
#include "receivefileswitch.h"
#include "serialportpanel.h"
#include "settingsrecord.h"
#include "textcodec.h"
#include "translation.h"
#include "uarttab.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int kScanIntervalMs = 1000;
constexpr int kFontPointSize = 9;
// Receive files are left to their own buffering for the first seconds after
// start and flushed once a second after that.
constexpr int kTicksBeforeFlushing = 5;

// The combo boxes of the serial settings, in the record's order.
constexpr std::array<const char *, 4> kSerialBoxes = {"baudRateBox", "dataBitsBox", "parityBox",
                                                      "stopBitsBox"};

template<typename Widget>
Widget *widget(const QWidget *window, const QString &name)
{
    auto *found = window->findChild<Widget *>(name);
    Q_ASSERT_X(found, "settings", qPrintable(name));
    return found;
}

QString serialBoxName(const char *tab, const char *box)
{
    return QLatin1String(tab) + QLatin1Char('_') + QLatin1String(box);
}

QString channelNameEdit(int channel)
{
    return QStringLiteral("car_wave%1").arg(channel + 1);
}

QString channelCheck(int channel)
{
    return QStringLiteral("car_wave%1_chk").arg(channel + 1);
}

// A stored index the box does not have leaves the box as it is.
void setComboIndex(QComboBox *box, int index)
{
    if (index < box->count())
        box->setCurrentIndex(index);
}

void applySerial(const QWidget *window, const char *tab,
                 const SettingsRecord::SerialIndexes &indexes)
{
    for (size_t i = 0; i < kSerialBoxes.size(); ++i)
        setComboIndex(widget<QComboBox>(window, serialBoxName(tab, kSerialBoxes[i])), indexes[i]);
}

SettingsRecord::SerialIndexes serialIndexes(const QWidget *window, const char *tab)
{
    SettingsRecord::SerialIndexes indexes{};
    for (size_t i = 0; i < kSerialBoxes.size(); ++i)
        indexes[i] =
            quint8(widget<QComboBox>(window, serialBoxName(tab, kSerialBoxes[i]))->currentIndex());
    return indexes;
}
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
    m_sinceStart.start();
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
    const LanguageChoice stored = storedLanguageChoice(languageSettingsFile());
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
    const QString file = languageSettingsFile();
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

void MainWindow::readSettings()
{
    if (m_settingsFile.isEmpty())
        return;
    if (const auto record = loadSettingsFile(m_settingsFile))
        applySettings(*record);
}

void MainWindow::writeSettings()
{
    SettingsRecord record;
    if (m_settingsFile.isEmpty() || !fillSettings(record))
        return;
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

void MainWindow::applySettings(const SettingsRecord &record)
{
    applyTabOrder(record);
    widget<QSpinBox>(this, QStringLiteral("car_img_w"))->setValue(record.imageWidth);
    widget<QSpinBox>(this, QStringLiteral("car_img_h"))->setValue(record.imageHeight);
    applySerial(this, "uart", record.uartSerial);
    applySerial(this, "car", record.carSerial);
    applySerial(this, "gsm", record.gsmSerial);
    setComboIndex(widget<QComboBox>(this, QStringLiteral("car_imgBox")), record.imageMode);
    setComboIndex(widget<QComboBox>(this, QStringLiteral("car_ccd_num")), record.ccdCount);
    widget<QSpinBox>(this, QStringLiteral("car_ware_num"))->setValue(record.channelCount);
    setComboIndex(widget<QComboBox>(this, QStringLiteral("car_ware_type")), record.sampleType);
    for (int channel = 0; channel < SettingsRecord::kChannels; ++channel) {
        widget<QCheckBox>(this, channelCheck(channel))
            ->setChecked(record.channelShown[size_t(channel)]);
        widget<QLineEdit>(this, channelNameEdit(channel))
            ->setText(bytesToText(record.channelNames[size_t(channel)]));
    }
    widget<QSpinBox>(this, QStringLiteral("gsm_lipport"))->setValue(record.gsmLocalPort);
    widget<QSpinBox>(this, QStringLiteral("gsm_ipport"))->setValue(record.gsmServerPort);
    if (!record.gsmAddress.isEmpty())
        widget<CIPLineEdit>(this, QStringLiteral("gsm_IP"))
            ->setText(bytesToText(record.gsmAddress));
}

bool MainWindow::fillSettings(SettingsRecord &record) const
{
    const QTabWidget *tabs = ui->tabWidget_main;
    for (int page = 0; page < int(m_pages.size()); ++page) {
        const int position = tabs->indexOf(m_pages[size_t(page)]);
        if (position < 0 || position >= int(m_pages.size()))
            return false;
        record.tabOrder[size_t(position)] = quint8(page);
    }
    record.currentTab = quint8(tabs->currentIndex());
    record.imageWidth = widget<QSpinBox>(this, QStringLiteral("car_img_w"))->value();
    record.imageHeight = widget<QSpinBox>(this, QStringLiteral("car_img_h"))->value();
    record.uartSerial = serialIndexes(this, "uart");
    record.carSerial = serialIndexes(this, "car");
    record.gsmSerial = serialIndexes(this, "gsm");
    record.imageMode = quint8(widget<QComboBox>(this, QStringLiteral("car_imgBox"))->currentIndex());
    record.ccdCount = quint8(widget<QComboBox>(this, QStringLiteral("car_ccd_num"))->currentIndex());
    record.channelCount = quint8(widget<QSpinBox>(this, QStringLiteral("car_ware_num"))->value());
    record.sampleType =
        quint8(widget<QComboBox>(this, QStringLiteral("car_ware_type"))->currentIndex());
    for (int channel = 0; channel < SettingsRecord::kChannels; ++channel) {
        record.channelShown[size_t(channel)] =
            widget<QCheckBox>(this, channelCheck(channel))->isChecked();
        record.channelNames[size_t(channel)] =
            textToBytes(widget<QLineEdit>(this, channelNameEdit(channel))->text());
    }
    record.gsmLocalPort = widget<QSpinBox>(this, QStringLiteral("gsm_lipport"))->value();
    record.gsmServerPort = widget<QSpinBox>(this, QStringLiteral("gsm_ipport"))->value();
    record.gsmAddress = textToBytes(widget<CIPLineEdit>(this, QStringLiteral("gsm_IP"))->text());
    return true;
}
