#include "gpstab.h"

#include "serialportpanel.h"
#include "ui_gpstab.h"

GpsTab::GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GpsTab>())
{
    ui->setupUi(this);
    // No silence or reconnect boxes here: every port failure is shown.
    const SerialPanelWidgets widgets{ui->gps_portBox,     ui->baudRateBox_gps,
                                     ui->dataBitsBox_gps, ui->parityBox_gps,
                                     ui->stopBitsBox_gps, ui->openCloseButton_gps};
    m_panel = new SerialPortPanel(widgets, dialogs, portSource, this);
    // The source cannot change under an open port.
    m_panel->setDisabledWhileOpen({ui->gps_com});
}

GpsTab::~GpsTab() = default;
