#include "uarttab.h"

#include "serialportpanel.h"
#include "translation.h"
#include "ui_uarttab.h"

UartTab::UartTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::UartTab>())
{
    ui->setupUi(this);
    const SerialPanelWidgets widgets{ui->uart_portBox,       ui->uart_baudRateBox,
                                     ui->uart_dataBitsBox,   ui->uart_parityBox,
                                     ui->uart_stopBitsBox,   ui->uart_OpenCloseButton,
                                     ui->uart_iserror_check, ui->uart_is_relink_check};
    m_panel = new SerialPortPanel(widgets, dialogs, portSource, this);
    connect(m_panel, &SerialPortPanel::pollDue, this, &UartTab::uart_read);
}

UartTab::~UartTab() = default;

void UartTab::uart_read()
{
    const QByteArray bytes = m_panel->port()->readAll();
    m_rxTotal += bytes.size();
}

void UartTab::updateStatistics()
{
    ui->uart_recvgroup->setTitle(mainTr("接收区：共接收%1字节，速度%2字节/秒。共发送%3字节。")
                                     .arg(m_rxTotal)
                                     .arg(m_rxTotal - m_rxAtLastTick)
                                     .arg(m_txTotal));
    m_rxAtLastTick = m_rxTotal;
}
