#include "infotab.h"

#include "ui_infotab.h"

InfoTab::InfoTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::InfoTab>())
{
    ui->setupUi(this);
}

InfoTab::~InfoTab() = default;
