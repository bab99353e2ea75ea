#include "cartab.h"

#include "ccdview.h"
#include "picturelabel.h"
#include "scopeview.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "translation.h"
#include "ui_cartab.h"

#include <QSignalBlocker>
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
    m_serial = new SerialLink(this);
    m_panel = new SerialPortPanel(widgets, *m_serial, dialogs, portSource, this);

    m_ccdView = new CcdView(dialogs, ui->car_ccd_tab);
    m_scopeView = new ScopeView(dialogs, ui->car_ware_tab);
    for (auto [page, view] : {std::pair<QWidget *, QWidget *>{ui->car_ccd_tab, m_ccdView},
                              {ui->car_ware_tab, m_scopeView}}) {
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }

    {
        QSignalBlocker blocker(ui->car_imgBox);
        ui->car_imgBox->clear();
        ui->car_imgBox->addItems({mainTr("二值化图像"), mainTr("灰度图像"), mainTr("彩色图像")});
        ui->car_imgBox->setCurrentIndex(CarCamera::Binary);
    }
    ui->car_img_stacked->setCurrentIndex(CarCamera::Binary);
    m_originalLabel = std::make_unique<PictureLabel>(ui->car_img_original);
    m_binaryLabel = std::make_unique<PictureLabel>(ui->car_img_bin);
    // The save controls stay on the form but do nothing: images are never saved.
    ui->car_img_save_checkBox->hide();
    ui->car_img_save_Edit->hide();

    m_panel->setDisabledWhileOpen({ui->car_imgBox, ui->car_img_w, ui->car_img_h, ui->car_bin_b,
                                   ui->car_bin_l, ui->car_img_color_1b, ui->car_img_color_0b,
                                   ui->car_img_rgb565_l, ui->car_img_rgb565_b});
    connect(m_serial, &ByteLink::received, this, &CarTab::car_read);
    connect(m_panel, &SerialPortPanel::opened, this, &CarTab::onLinkOpened);
    connect(m_panel, &SerialPortPanel::closed, this, &CarTab::onLinkClosed);

    m_parser.setHandler(CarLink::Image, [this](const char *payload, int length) {
        m_latestImage = QByteArray(payload, length);
        m_imagePending = true;
    });
    m_parser.setHandler(CarLink::Ccd, [this](const char *payload, int length) {
        m_ccdView->handleFrame(payload, length);
    });
    m_parser.setHandler(CarLink::Scope, [this](const char *payload, int length) {
        m_scopeView->handleFrame(payload, length);
    });
}

CarTab::~CarTab() = default;

void CarTab::car_read(const QByteArray &bytes)
{
    m_parser.append(bytes);
    if (m_imagePending)
        showCameraPicture();
}

void CarTab::on_car_imgBox_currentIndexChanged(int index)
{
    ui->car_img_stacked->setCurrentIndex(index);
}

CarCamera::Settings CarTab::cameraSettings() const
{
    CarCamera::Settings settings;
    settings.mode = ui->car_imgBox->currentIndex();
    settings.width = ui->car_img_w->value();
    settings.height = ui->car_img_h->value();
    settings.highBitFirst = ui->car_bin_b->isChecked();
    settings.oneIsBlack = ui->car_img_color_1b->isChecked();
    settings.bigEndian = ui->car_img_rgb565_b->isChecked();
    return settings;
}

// The settings are read once here and stay fixed until the next open: the
// car's frames carry no length, so the table of lengths is all the parser
// has to cut them by.
void CarTab::onLinkOpened()
{
    CarLink::FrameLengths lengths{};
    lengths[CarLink::Scope] = m_scopeView->payloadLength();

    m_camera = std::make_unique<CameraDecoder>(cameraSettings(), ui->car_img_original->size());
    ui->car_img_bin->setVisible(cameraSettings().mode != CarCamera::Colour);
    lengths[CarLink::Image] = m_camera->payloadLength();

    lengths[CarLink::Ccd] = m_ccdView->payloadLength();
    m_parser.setFrameLengths(lengths);
    m_imagePending = false;

    m_ccdView->setLinkOpen(true);
    m_scopeView->setLinkOpen(true);
}

void CarTab::onLinkClosed()
{
    m_camera.reset();
    m_imagePending = false;
    m_latestImage.clear();
    m_ccdView->setLinkOpen(false);
    m_scopeView->setLinkOpen(false);
}

void CarTab::showCameraPicture()
{
    m_imagePending = false;
    if (!m_camera || m_latestImage.size() != m_camera->payloadLength())
        return;
    m_camera->setLabelSize(ui->car_img_original->size());
    CameraPicture picture = m_camera->decode(m_latestImage.constData(), ui->car_thr_val->value());
    m_originalLabel->show(picture.original);
    if (!picture.binary.isNull())
        m_binaryLabel->show(picture.binary);
    if (picture.average >= 0) {
        ui->car_avr->setText(QString::number(picture.average));
        ui->car_mid->setText(QString::number(picture.median));
    }
}
