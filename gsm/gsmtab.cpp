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
}

GsmTab::~GsmTab() = default;
