#pragma once

#include "portenumerator.h"

#include <QWidget>

#include <memory>

class Dialogs;
class SerialLink;
class SerialPortPanel;

namespace Ui {
class GsmTab;
}

// The GSM assistant: AT commands, calls and SMS through a GSM/GPRS module.
class GsmTab : public QWidget
{
    Q_OBJECT
public:
    GsmTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~GsmTab() override;

    SerialPortPanel *panel() const { return m_panel; }
    qint64 receivedByteCount() const { return m_rxTotal; }

private:
    void gsm_read(const QByteArray &bytes);

    std::unique_ptr<Ui::GsmTab> ui;
    SerialLink *m_serial = nullptr;
    SerialPortPanel *m_panel = nullptr;
    qint64 m_rxTotal = 0;
};
