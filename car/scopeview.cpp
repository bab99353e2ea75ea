#include "scopeview.h"

#include "ui_scopeview.h"

namespace {

// The sample types in the order of the type combo; the item data is the index.
struct SampleType
{
    const char *name;
    int size;
};
const SampleType kSampleTypes[] = {{"int8_t", 1},  {"uint8_t", 1},  {"int16_t", 2},
                                   {"uint16_t", 2}, {"int32_t", 4}, {"uint32_t", 4},
                                   {"float", 4},   {"double", 8}};

} // namespace

ScopeView::ScopeView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , ui(std::make_unique<Ui::ScopeView>())
{
    ui->setupUi(this);
    for (int code = 0; code < int(std::size(kSampleTypes)); ++code)
        ui->car_ware_type->addItem(QString::fromLatin1(kSampleTypes[code].name), code);
}

ScopeView::~ScopeView() = default;

int ScopeView::payloadLength() const
{
    const int code = ui->car_ware_type->currentData().toInt();
    return ui->car_ware_num->value() * kSampleTypes[code].size;
}

void ScopeView::setLinkOpen(bool open)
{
    ui->car_ware_num->setEnabled(!open);
    ui->car_ware_type->setEnabled(!open);
}

void ScopeView::handleFrame(const char *, int)
{
    ++m_framesReceived;
}
