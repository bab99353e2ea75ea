#pragma once

#include "portenumerator.h"
#include "seriallink.h"
#include "settingsrecord.h"

#include <array>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class Dialogs;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSettings;
class QWidget;

// The port controls of one serial tab, as its designer form names them.
struct SerialPanelWidgets
{
    QComboBox *portBox = nullptr;
    QComboBox *baudRateBox = nullptr;
    QComboBox *dataBitsBox = nullptr;
    QComboBox *parityBox = nullptr;
    QComboBox *stopBitsBox = nullptr;
    QPushButton *openCloseButton = nullptr;
    // "断开不提示出错" and "出错重连": only the serial assistant and the car tab
    // have them. Without them every failure is shown and nothing reconnects.
    QCheckBox *silenceCheck = nullptr;
    QCheckBox *relinkCheck = nullptr;
    // Modem lines and flow control; a panel without them leaves both as
    // opening the port does.
    QCheckBox *dtrCheck = nullptr;
    QCheckBox *rtsCheck = nullptr;
    QComboBox *flowBox = nullptr;
};

// Drives one tab's port panel over the serial link the tab owns: fills the
// setting combos, opens and closes the link, refreshes the port list,
// notices a lost device and, where the tab offers it, reconnects. Received
// bytes go from the link to the tab, never through the panel.
class SerialPortPanel : public QObject
{
    Q_OBJECT
public:
    SerialPortPanel(const SerialPanelWidgets &widgets, SerialLink &link, Dialogs &dialogs,
                    const PortListSource &portSource, QWidget *dialogParent);

    SerialLink *link() const { return &m_link; }
    bool isOpen() const { return m_panelOpen; }
    bool portLost() const { return m_portLost; }
    QString lastPortName() const { return m_lastPortName; }

    // Controls usable only while the port is open (send buttons), and
    // controls that must not change while it is open (a source selector).
    void setEnabledWhileOpen(const QList<QWidget *> &widgets);
    void setDisabledWhileOpen(const QList<QWidget *> &widgets);

    // Baud rate, data bits, parity and stop bits as the combos' indexes, as
    // the settings file keeps them. An index a combo lacks leaves it as it is.
    SettingsRecord::SerialIndexes serialIndexes() const;
    void applySerialIndexes(const SettingsRecord::SerialIndexes &indexes);

    // The settings file keeps only the index of the first twelve rates; any
    // other rate, listed or typed, is kept under `key` in the program's own
    // settings. Loaded before the settings file, it wins over its index.
    void saveBaudRate(QSettings &settings, const QString &key) const;
    void loadBaudRate(const QSettings &settings, const QString &key);
    // The rate shown in the rate box, 0 when it is not a usable rate.
    int baudRate() const;
    void showBaudRate(int rate);

    // Refills the port combo when the set of port names has changed since
    // the last refresh. Signals are blocked, so an open port stays open.
    void refreshPortList();

    // Reopens a lost port once its name is listed again, or once the same
    // adapter is listed under another name, if the user asked for
    // reconnection.
    void reconnectIfLost();
    // The port was lost and the user asked for reconnection: reconnectIfLost()
    // has work to do whenever the name is listed.
    bool reconnectionPending() const;
    // The tab took another source: a lost port is no longer reopened.
    void cancelReconnection();

public slots:
    void onPortNameChanged(const QString &name);
    void onBaudRateChanged(int index);
    void onDataBitsChanged(int index);
    void onParityChanged(int index);
    void onStopBitsChanged(int index);
    void onOpenCloseButtonClicked();
    void onPortRemoved();
    void onFlowControlChanged(int index);
    void onDtrToggled(bool set);
    void onRtsToggled(bool set);

signals:
    void opened();
    void closed();
    // Opened, closed, lost, or reconnection switched on or off.
    void linkStateChanged();
    // A one-line note for the user that needs no answer, also shown in the
    // main window's status bar.
    void notice(const QString &text);

private:
    void fillSettingCombos();
    std::array<QComboBox *, 4> settingCombos() const;
    void connectWidgets();
    void open();
    void close();
    void showState(bool open);
    void updatePortToolTip();
    void onListedDeviceRemoved(const PortEntry &entry);
    QString reopenName() const;
    PortEntry listedEntry(const QString &name) const;
    void showNotice(const QString &text);
    bool silenced() const;
    void showError(const QString &text);
    void applyLinesAtOpen();
    void showLineRefused(const QString &line);
    void showOpenFailure(const QString &name, int rate);

    SerialPanelWidgets m_widgets;
    Dialogs &m_dialogs;
    QPointer<QWidget> m_dialogParent;
    SerialLink &m_link;
    PortEnumerator m_enumerator;
    QStringList m_listedNames;
    QList<QWidget *> m_enabledWhileOpen;
    QList<QWidget *> m_disabledWhileOpen;
    QString m_lastPortName;
    PortEntry m_openedDevice; // as listed when it was opened
    bool m_portLost = false;
    bool m_panelOpen = false;
    int m_keptBaudRate = 0;
};
