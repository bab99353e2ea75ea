#pragma once

#include "portenumerator.h"

#include <QMainWindow>

#include <memory>

class CarTab;
class Dialogs;
class GpsTab;
class GsmTab;
class InfoTab;
class NetTab;
class QTimer;
class SerialPortPanel;
class UartTab;

namespace Ui {
class MainWindow;
}

// The workbench window: one tab per tool, plus the once-a-second
// housekeeping that keeps the serial tabs' port lists and links current.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The application's window, with real dialogs and the system's ports.
    explicit MainWindow(QWidget *parent = nullptr);
    // A window whose dialogs and port list come from the caller (tests).
    MainWindow(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~MainWindow() override;

    QTimer *scanTimer() const { return m_scanTimer; }

public slots:
    // Once a second: refresh the port lists, reconnect lost ports where the
    // user asked for it, update the serial assistant's statistics and, from
    // the sixth tick on, flush the open receive files.
    void com_scan();

private:
    MainWindow(std::unique_ptr<Dialogs> ownDialogs, Dialogs *dialogs,
               const PortListSource &portSource, QWidget *parent);
    void setUpWindow();
    void createTabs(const PortListSource &portSource);
    QList<SerialPortPanel *> serialPanels() const;

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs &m_dialogs;
    std::unique_ptr<Ui::MainWindow> ui;
    InfoTab *m_infoTab = nullptr;
    UartTab *m_uartTab = nullptr;
    GsmTab *m_gsmTab = nullptr;
    GpsTab *m_gpsTab = nullptr;
    CarTab *m_carTab = nullptr;
    NetTab *m_netTab = nullptr;
    QTimer *m_scanTimer = nullptr;
    // Ticks of com_scan() since start; never reset.
    int m_scanTicks = 0;
};
