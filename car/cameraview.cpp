#include "cameraview.h"

#include "translation.h"
#include "ui_cameraview.h"

#include <QSignalBlocker>

#include <cstring>

CameraView::CameraView(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::CameraView>())
{
    ui->setupUi(this);
    {
        QSignalBlocker blocker(ui->car_imgBox);
        ui->car_imgBox->clear();
        ui->car_imgBox->addItems({mainTr("二值化图像"), mainTr("灰度图像"), mainTr("彩色图像")});
        ui->car_imgBox->setCurrentIndex(CarCamera::Binary);
    }
    ui->car_img_stacked->setCurrentIndex(CarCamera::Binary);
    connect(ui->car_imgBox, qOverload<int>(&QComboBox::currentIndexChanged), ui->car_img_stacked,
            &QStackedWidget::setCurrentIndex);
    // The save controls stay on the form but do nothing: images are never saved.
    ui->car_img_save_checkBox->hide();
    ui->car_img_save_Edit->hide();
}

CameraView::~CameraView() = default;

CarCamera::Settings CameraView::settings() const
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

int CameraView::payloadLength() const
{
    const CarCamera::Settings current = settings();
    return CarCamera::payloadLength(current.mode, current.width, current.height);
}

void CameraView::setLinkOpen(bool open)
{
    for (QWidget *setting : std::initializer_list<QWidget *>{
             ui->car_imgBox, ui->car_img_w, ui->car_img_h, ui->car_bin_b, ui->car_bin_l,
             ui->car_img_color_1b, ui->car_img_color_0b, ui->car_img_rgb565_l,
             ui->car_img_rgb565_b})
        setting->setEnabled(!open);
    m_newestShown = true;
    if (!open) {
        m_decoder.reset();
        m_newest.clear();
        return;
    }
    const CarCamera::Settings fixed = settings();
    m_decoder = std::make_unique<CameraDecoder>(fixed, ui->car_img_original->size());
    ui->car_img_bin->setVisible(fixed.mode != CarCamera::Colour);
}

void CameraView::handleFrame(const char *payload, int length)
{
    if (!m_decoder || length != m_decoder->payloadLength())
        return;
    // Resizing to the same length keeps the buffer: no allocation a frame.
    m_newest.resize(length);
    std::memcpy(m_newest.data(), payload, size_t(length));
    m_newestShown = false;
}

void CameraView::showNewest()
{
    if (m_newestShown)
        return;
    m_newestShown = true;
    showPicture(m_newest.constData());
}

void CameraView::showPicture(const char *payload)
{
    // The decoder draws into the pictures it made last time; once the
    // widgets have let go of them, it does so in place.
    ui->car_img_original->takeImage();
    ui->car_img_bin->takeImage();
    // The picture fits the widget as the layout has it now.
    m_decoder->setLabelSize(ui->car_img_original->size());
    CameraPicture picture = m_decoder->decode(payload, ui->car_thr_val->value());
    ui->car_img_original->setImage(std::move(picture.original));
    if (!picture.binary.isNull())
        ui->car_img_bin->setImage(std::move(picture.binary));
    if (picture.average >= 0) {
        ui->car_avr->setText(QString::number(picture.average));
        ui->car_mid->setText(QString::number(picture.median));
    }
}
