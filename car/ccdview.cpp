#include "ccdview.h"

#include "ui_ccdview.h"

CcdView::CcdView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , ui(std::make_unique<Ui::CcdView>())
{
    ui->setupUi(this);
}

CcdView::~CcdView() = default;

int CcdView::payloadLength() const
{
    return ui->car_ccd_num->currentText().toInt() * ui->car_ccd_line->value();
}

void CcdView::setLinkOpen(bool open)
{
    ui->car_ccd_num->setEnabled(!open);
}

void CcdView::handleFrame(const char *, int)
{
    ++m_framesReceived;
}
