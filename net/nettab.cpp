#include "nettab.h"

#include "ui_nettab.h"

NetTab::NetTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::NetTab>())
{
    ui->setupUi(this);
}

NetTab::~NetTab() = default;
