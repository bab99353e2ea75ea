#pragma once

#include "portenumerator.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <memory>

class CarTab;
class DeviceDirectoryWatcher;
class Dialogs;
class GpsTab;
class GsmTab;
class InfoTab;
enum class LanguageChoice;
class NetTab;
class QTimer;
class SerialPortPanel;
struct SettingsRecord;
class ToolTab;
class UartTab;

namespace Ui {
class MainWindow;
}

// The workbench window: one tab per tool, their order, the language menu,
// and the once-a-second housekeeping tick the tabs share.
//
// The port list is enumerated once for all four serial tabs, when a device
// directory changes. The scan timer ticks once a second only while some tab
// needs it (a statistics line behind or a lost port waiting to be
// reconnected) or no device directory is watched; an open port that stays
// quiet starts no tick. Each tab keeps its own fields of the settings file
// and does its own work in the tick.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The application's window, with real dialogs and the system's ports;
    // its settings are kept in soft_cfg.bin in the working directory.
    explicit MainWindow(QWidget *parent = nullptr);
    // A window whose dialogs and port list come from the caller (tests).
    // Without device directories to watch, every com_scan() asks the source
    // again and the scan timer always runs; with them, a change in one of
    // them does. Settings are read from and written to settingsFile, and
    // neither without one.
    MainWindow(Dialogs &dialogs, const PortListSource &portSource,
               const QStringList &deviceDirectories = {}, QWidget *parent = nullptr,
               const QString &settingsFile = QString());
    ~MainWindow() override;

    // The directories where the system's serial devices come and go.
    static QStringList systemDeviceDirectories();

    QTimer *scanTimer() const { return m_scanTimer; }
    // The caller drives com_scan() itself from now on: the scan timer stops
    // and is never started again.
    void stopAutomaticScans();

public slots:
    // One housekeeping tick: refresh the port lists (asking the source again
    // only without change notification), then each tab's own tick.
    void com_scan();

private:
    MainWindow(std::unique_ptr<Dialogs> ownDialogs, Dialogs *dialogs,
               const PortListSource &portSource, const QStringList &deviceDirectories,
               QWidget *parent, const QString &settingsFile);
    void setUpWindow();
    void createLanguageMenu();
    void chooseLanguage(LanguageChoice choice);
    void createTabs(const PortListSource &portSource);
    void startHousekeeping(const QStringList &deviceDirectories);
    QList<SerialPortPanel *> serialPanels() const;
    void onDevicesChanged();
    void refreshPortLists();
    bool housekeepingDue() const;
    void updateScanTimer();
    void readSettings();
    void writeSettings();
    void applyTabOrder(const SettingsRecord &record);
    bool fillTabOrder(SettingsRecord &record) const;

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs &m_dialogs;
    std::unique_ptr<Ui::MainWindow> ui;
    SharedPortList m_ports;
    DeviceDirectoryWatcher *m_deviceWatcher = nullptr;
    InfoTab *m_infoTab = nullptr;
    UartTab *m_uartTab = nullptr;
    GsmTab *m_gsmTab = nullptr;
    GpsTab *m_gpsTab = nullptr;
    CarTab *m_carTab = nullptr;
    NetTab *m_netTab = nullptr;
    // The tabs with settings or housekeeping, in the order their ticks run.
    std::array<ToolTab *, 5> m_toolTabs{};
    // The main tabs' pages and titles in their first order: the page
    // numbers of the settings file.
    std::array<QWidget *, 6> m_pages{};
    std::array<QString, 6> m_pageTitles;
    QString m_settingsFile;
    QTimer *m_scanTimer = nullptr;
    bool m_automaticScans = true;
};
