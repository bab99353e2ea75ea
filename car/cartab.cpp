#include "cartab.h"

#include "serialportpanel.h"
#include "ui_cartab.h"

CarTab::CarTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::CarTab>())
{
    ui->setupUi(this);
    const SerialPanelWidgets widgets{ui->car_portBox,       ui->car_baudRateBox,
                                     ui->car_dataBitsBox,   ui->car_parityBox,
                                     ui->car_stopBitsBox,   ui->car_OpenCloseButton,
                                     ui->car_iserror_check, ui->car_is_relink_check};
    m_panel = new SerialPortPanel(widgets, dialogs, portSource, this);
}

CarTab::~CarTab() = default;
