#include "gsmtab.h"

#include "seriallink.h"
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
    m_serial = new SerialLink(this);
    m_panel = new SerialPortPanel(widgets, *m_serial, dialogs, portSource, this);
    connect(m_serial, &ByteLink::received, this, &GsmTab::gsm_read);
}

// Until the console shows them, the module's bytes are only counted.
void GsmTab::gsm_read(const QByteArray &bytes)
{
    m_rxTotal += bytes.size();
}

GsmTab::~GsmTab() = default;
