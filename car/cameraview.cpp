#include "cameraview.h"

#include "dialogs.h"
#include "settingsrecord.h"
#include "translation.h"
#include "ui_cameraview.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <cstring>

namespace {

QString besidePath(const QString &path, const QString &suffix)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + suffix + QStringLiteral(".png"));
}

// Numbers far past any run of frames are no numbers we would reach.
constexpr qint64 kHighestFrameNumber = qint64(1) << 40;

// The highest number of a frame already saved beside `path` under its name
// ("x-000042.png" or "x-000042-bin.png"); 0 if none.
qint64 highestFrameNumber(const QString &path)
{
    const QFileInfo info(path);
    const QRegularExpression numbered(
        QStringLiteral("^%1-(\\d{6,})(-bin)?\\.png$")
            .arg(QRegularExpression::escape(info.completeBaseName())));
    qint64 highest = 0;
    const QStringList names = info.dir().entryList(
        QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        bool ok = false;
        const qint64 number = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
        if (ok && number <= kHighestFrameNumber)
            highest = std::max(highest, number);
    }
    return highest;
}

} // namespace

CameraView::CameraView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
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
    // The form's old save controls stay hidden; the snapshot button and the
    // every-frame switch added below take their place.
    ui->car_img_save_checkBox->hide();
    ui->car_img_save_Edit->hide();

    auto *snapshot = new QPushButton(mainTr("保存图像"), this);
    snapshot->setObjectName(QStringLiteral("car_img_snapshot"));
    m_saveEveryFrame = new QCheckBox(mainTr("保存每帧"), this);
    m_saveEveryFrame->setObjectName(QStringLiteral("car_img_save_every"));
    ui->car_img_settingsColumn->insertWidget(1, snapshot);
    ui->car_img_settingsColumn->insertWidget(2, m_saveEveryFrame);
    connect(snapshot, &QPushButton::clicked, this, &CameraView::askSnapshot);
    connect(m_saveEveryFrame, &QCheckBox::toggled, this, &CameraView::onSaveEveryFrameToggled);
}

void CameraView::applySettings(const CarCamera::Settings &settings)
{
    ui->car_imgBox->setCurrentIndex(settings.mode);
    ui->car_img_w->setValue(settings.width);
    ui->car_img_h->setValue(settings.height);
    (settings.highBitFirst ? ui->car_bin_b : ui->car_bin_l)->setChecked(true);
    (settings.oneIsBlack ? ui->car_img_color_1b : ui->car_img_color_0b)->setChecked(true);
    (settings.bigEndian ? ui->car_img_rgb565_b : ui->car_img_rgb565_l)->setChecked(true);
}

void CameraView::saveSettings(SettingsRecord &record) const
{
    record.imageWidth = ui->car_img_w->value();
    record.imageHeight = ui->car_img_h->value();
    record.imageMode = quint8(ui->car_imgBox->currentIndex());
}

void CameraView::loadSettings(const SettingsRecord &record)
{
    ui->car_img_w->setValue(record.imageWidth);
    ui->car_img_h->setValue(record.imageHeight);
    if (record.imageMode < ui->car_imgBox->count())
        ui->car_imgBox->setCurrentIndex(record.imageMode);
}

bool CameraView::saveSnapshot(const QString &path) const
{
    const QImage &original = ui->car_img_original->image();
    if (original.isNull() || !original.save(path, "PNG"))
        return false;
    // A colour image has no black and white picture; the hidden widget may
    // still hold one from before.
    const QImage &binary = ui->car_img_bin->image();
    if (binary.isNull() || ui->car_img_bin->isHidden())
        return true;
    return binary.save(besidePath(path, QStringLiteral("-bin")), "PNG");
}

void CameraView::askSnapshot()
{
    if (ui->car_img_original->image().isNull()) {
        m_dialogs.information(this, mainTr("提示"), mainTr("还没有图像"));
        return;
    }
    const QString path = m_dialogs.saveFileName(this, mainTr("保存图像"),
                                                QDir::current().filePath(QStringLiteral("camera.png")),
                                                mainTr("PNG图像 (*.png)"));
    if (!path.isEmpty() && !saveSnapshot(path))
        m_dialogs.critical(this, mainTr("错误"), mainTr("图像保存失败：%1").arg(path));
}

void CameraView::onSaveEveryFrameToggled(bool on)
{
    if (!on) {
        stopSavingFrames();
        return;
    }
    const QString path = m_dialogs.saveFileName(this, mainTr("保存每帧图像"),
                                                QDir::current().filePath(QStringLiteral("frame.png")),
                                                mainTr("PNG图像 (*.png)"));
    if (path.isEmpty()) {
        const QSignalBlocker blocker(m_saveEveryFrame);
        m_saveEveryFrame->setChecked(false);
        return;
    }
    saveEveryFrame(path);
}

void CameraView::saveEveryFrame(const QString &path)
{
    m_framePath = path;
    m_framesSaved = 0;
    // Pictures of an earlier run under the same name stay.
    m_firstFrameNumber = highestFrameNumber(path) + 1;
    const QSignalBlocker blocker(m_saveEveryFrame);
    m_saveEveryFrame->setChecked(true);
}

void CameraView::stopSavingFrames()
{
    m_framePath.clear();
    const QSignalBlocker blocker(m_saveEveryFrame);
    m_saveEveryFrame->setChecked(false);
}

void CameraView::saveNumberedFrame()
{
    const QString number =
        QStringLiteral("-%1").arg(m_firstFrameNumber + m_framesSaved, 6, 10, QLatin1Char('0'));
    if (!saveSnapshot(besidePath(m_framePath, number))) {
        const QString failed = besidePath(m_framePath, number);
        stopSavingFrames();
        // Frames are saved while a read is taken apart: the box waits until
        // the read is done.
        QMetaObject::invokeMethod(
            this,
            [this, failed] {
                m_dialogs.critical(this, mainTr("错误"), mainTr("图像保存失败：%1").arg(failed));
            },
            Qt::QueuedConnection);
        return;
    }
    ++m_framesSaved;
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
    if (!m_framePath.isEmpty()) {
        showNewest();
        saveNumberedFrame();
    }
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
