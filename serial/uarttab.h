#pragma once

#include "portenumerator.h"

#include <QWidget>

#include <memory>

class Dialogs;
class SerialPortPanel;

namespace Ui {
class UartTab;
}

// The serial assistant: a general-purpose serial terminal.
class UartTab : public QWidget
{
    Q_OBJECT
public:
    UartTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~UartTab() override;

    SerialPortPanel *panel() const { return m_panel; }

    qint64 rxTotal() const { return m_rxTotal; }
    qint64 txTotal() const { return m_txTotal; }

    // Once a second: the totals and the bytes received since the last call.
    void updateStatistics();

private:
    void uart_read();

    std::unique_ptr<Ui::UartTab> ui;
    SerialPortPanel *m_panel = nullptr;
    qint64 m_rxTotal = 0;
    qint64 m_txTotal = 0;
    qint64 m_rxAtLastTick = 0;
};
