#include "gsmtab.h"

#include "serialportpanel.h"
#include "ui_gsmtab.h"

GsmTab::GsmTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GsmTab>())
{
    ui->setupUi(this);
    // No silence or reconnect boxes here: every port failure is shown.
    const SerialPanelWidgets widgets{ui->gsm_portBox,     ui->gsm_baudRateBox,
                                     ui->gsm_dataBitsBox, ui->gsm_parityBox,
                                     ui->gsm_stopBitsBox, ui->gsm_OpenCloseButton};
    m_panel = new SerialPortPanel(widgets, dialogs, portSource, this);
    connect(m_panel, &SerialPortPanel::pollDue, this, &GsmTab::gsm_read);
}

// Until the console shows them, the module's bytes are taken off the port
// and counted, so nothing piles up in the port's buffer.
void GsmTab::gsm_read()
{
    m_rxTotal += m_panel->port()->readAll().size();
}

GsmTab::~GsmTab() = default;
