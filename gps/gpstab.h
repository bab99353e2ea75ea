#pragma once

#include "portenumerator.h"

#include <QWidget>

#include <memory>

class Dialogs;
class SerialPortPanel;

namespace Ui {
class GpsTab;
}

// The GPS assistant: NMEA from a serial port or a TCP client, shown as
// position, time, speed and satellites.
class GpsTab : public QWidget
{
    Q_OBJECT
public:
    GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~GpsTab() override;

    SerialPortPanel *panel() const { return m_panel; }

private:
    std::unique_ptr<Ui::GpsTab> ui;
    SerialPortPanel *m_panel = nullptr;
};
