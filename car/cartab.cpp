#include "cartab.h"

#include "ccdview.h"
#include "scopeview.h"
#include "serialportpanel.h"
#include "ui_cartab.h"

#include <QVBoxLayout>

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

    m_ccdView = new CcdView(dialogs, ui->car_ccd_tab);
    m_scopeView = new ScopeView(dialogs, ui->car_ware_tab);
    for (auto [page, view] : {std::pair<QWidget *, QWidget *>{ui->car_ccd_tab, m_ccdView},
                              {ui->car_ware_tab, m_scopeView}}) {
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }
}

CarTab::~CarTab() = default;
