#include "ccdview.h"

#include "imagewidget.h"
#include "settingsrecord.h"
#include "translation.h"
#include "ui_ccdview.h"

#include <QEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <cstring>
#include <utility>

CcdView::CcdView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , ui(std::make_unique<Ui::CcdView>())
{
    ui->setupUi(this);
    showSecondSensor(false);

    for (int sensor = 0; sensor < 2; ++sensor)
        connect(sensorWidgets(sensor).threshold, &QSlider::valueChanged, this,
                [this, sensor](int value) { onThresholdChanged(sensor, value); });
    connect(ui->car_ccd_gray, &QRadioButton::toggled, this, &CcdView::onBasisChanged);
    connect(ui->car_ccd_img_sel, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CcdView::onRecordedSensorChanged);
    // While the link is closed the count is free to change, and the page
    // shows as many sensors as it says; while open it is fixed anyway.
    connect(ui->car_ccd_num, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { showSecondSensor(ui->car_ccd_num->currentText().toInt() == 2); });
    for (int sensor = 0; sensor < 2; ++sensor)
        sensorWidgets(sensor).picture->installEventFilter(this);
}

CcdView::~CcdView() = default;

int CcdView::payloadLength() const
{
    return sensorCountSetting() * lineWidthSetting();
}

int CcdView::sensorCountSetting() const
{
    return ui->car_ccd_num->currentText().toInt();
}

int CcdView::lineWidthSetting() const
{
    return ui->car_ccd_line->value();
}

void CcdView::applySettings(int sensorCount, int lineWidth)
{
    const int index = ui->car_ccd_num->findText(QString::number(sensorCount));
    if (index >= 0)
        ui->car_ccd_num->setCurrentIndex(index);
    ui->car_ccd_line->setValue(lineWidth);
}

void CcdView::saveSettings(SettingsRecord &record) const
{
    record.ccdCount = quint8(ui->car_ccd_num->currentIndex());
}

void CcdView::loadSettings(const SettingsRecord &record)
{
    if (record.ccdCount < ui->car_ccd_num->count())
        ui->car_ccd_num->setCurrentIndex(record.ccdCount);
}

void CcdView::setLinkOpen(bool open)
{
    m_linkOpen = open;
    // Frames are cut and drawn with the count and width read at open; while
    // open the boxes keep showing the values in use.
    ui->car_ccd_num->setEnabled(!open);
    ui->car_ccd_line->setEnabled(!open);
    if (!open)
        return;

    m_sensorCount = ui->car_ccd_num->currentText().toInt();
    m_lineWidth = ui->car_ccd_line->value();
    m_buffer.assign(size_t(2) * m_sensorCount * m_lineWidth, 0);
    // The new buffer holds no received line, so nothing may be redrawn from
    // it until a frame has arrived with these settings.
    m_frameReceived = false;

    showSecondSensor(m_sensorCount == 2);

    {
        const QSignalBlocker blocker(ui->car_ccd_img_sel);
        ui->car_ccd_img_sel->clear();
        for (int sensor = 1; sensor <= m_sensorCount; ++sensor)
            ui->car_ccd_img_sel->addItem(QString::number(sensor));
    }
    m_recordedSensor = std::max(ui->car_ccd_img_sel->currentIndex(), 0);
    m_track.reset(m_lineWidth, ui->car_ccd_img->size());
    ui->car_ccd_img->clear();
}

void CcdView::handleFrame(const char *payload, int length)
{
    const size_t payloadBytes = m_buffer.size() / 2;
    // Only a payload cut to the length fixed at open fits the buffer.
    if (!m_linkOpen || length <= 0 || size_t(length) != payloadBytes)
        return;
    std::memcpy(m_buffer.data(), payload, payloadBytes);
    ++m_framesReceived;

    // The record scrolls in place only while the widget no longer shares
    // its rows; otherwise every frame would copy the whole record.
    ui->car_ccd_img->clear();
    // Pictures take the size their widgets have now: a page not shown at open
    // had no real size yet, and the window may be resized while the car
    // streams.
    m_track.setPictureSize(ui->car_ccd_img->size());
    m_track.append(m_buffer.data() + size_t(m_recordedSensor) * m_lineWidth);
    showTrackRecord();
    drawSensors();
    m_frameReceived = true;
}

bool CcdView::eventFilter(QObject *watched, QEvent *event)
{
    // A resized picture is drawn again at its new size from the last line
    // when no frame will come to do it.
    if (event->type() == QEvent::Resize && redrawAllowed()) {
        for (int sensor = 0; sensor < m_sensorCount; ++sensor) {
            if (watched == sensorWidgets(sensor).picture)
                drawSensor(sensor);
        }
    }
    return QWidget::eventFilter(watched, event);
}

CcdView::SensorWidgets CcdView::sensorWidgets(int sensor) const
{
    if (sensor == 0)
        return {ui->car_ccd_img1,     ui->car_ccd_val1,      ui->car_ccd_val1_max,
                ui->car_ccd_val1_text, ui->car_ccd_val1_min, ui->car_ccd_gray1_max,
                ui->car_ccd_gray1_min, ui->car_ccd_gray1_ave, ui->car_ccd_maxdiff1};
    return {ui->car_ccd_img2,     ui->car_ccd_val2,      ui->car_ccd_val2_max,
            ui->car_ccd_val2_text, ui->car_ccd_val2_min, ui->car_ccd_gray2_max,
            ui->car_ccd_gray2_min, ui->car_ccd_gray2_ave, ui->car_ccd_maxdiff2};
}

void CcdView::showSecondSensor(bool shown)
{
    const SensorWidgets second = sensorWidgets(1);
    for (QWidget *widget : std::initializer_list<QWidget *>{
             second.picture, second.threshold, second.thresholdMaximum, second.thresholdText,
             second.thresholdMinimum, second.maximum, second.minimum, second.average,
             second.maxDifference, ui->car_ccd_lin2, ui->car_ccd_label2})
        widget->setVisible(shown);
}

CcdThresholdBasis CcdView::thresholdBasis() const
{
    return ui->car_ccd_gray->isChecked() ? CcdThresholdBasis::GreyLevel
                                         : CcdThresholdBasis::Difference;
}

void CcdView::drawSensors()
{
    for (int sensor = 0; sensor < m_sensorCount; ++sensor)
        drawSensor(sensor);
}

void CcdView::drawSensor(int sensor)
{
    const size_t payloadBytes = m_buffer.size() / 2;
    const uchar *line = m_buffer.data() + size_t(sensor) * m_lineWidth;
    uchar *differences = m_buffer.data() + payloadBytes + size_t(sensor) * m_lineWidth;
    const CcdStatistics statistics = analyseCcdLine(line, m_lineWidth, differences);

    const SensorWidgets widgets = sensorWidgets(sensor);
    widgets.maximum->setText(mainTr("最大灰度值：%1").arg(statistics.maximum));
    widgets.minimum->setText(mainTr("最小灰度值：%1").arg(statistics.minimum));
    widgets.average->setText(mainTr("平均灰度值：%1").arg(statistics.average));
    widgets.maxDifference->setText(mainTr("最大差分值：%1").arg(statistics.maxDifference));

    const CcdThreshold threshold =
        resolveCcdThreshold(thresholdBasis(), widgets.threshold->value(), statistics.maxDifference);
    {
        // Moving the slider here is the drawing's own doing, not the user's:
        // it must not start another redraw.
        const QSignalBlocker blocker(widgets.threshold);
        widgets.threshold->setMaximum(threshold.sliderMaximum);
        widgets.threshold->setValue(threshold.value);
    }
    widgets.thresholdMaximum->setText(QString::number(threshold.sliderMaximum));
    widgets.thresholdText->setText(QString::number(widgets.threshold->value()));

    // Drawing into the picture the widget showed reuses its buffer.
    QImage picture = widgets.picture->takeImage();
    drawCcdPicture(picture, widgets.picture->size(), line, differences, m_lineWidth, statistics,
                   thresholdBasis(), threshold.value);
    widgets.picture->setImage(std::move(picture));
}

void CcdView::showTrackRecord()
{
    ui->car_ccd_img->setImage(m_track.picture());
}

void CcdView::onThresholdChanged(int sensor, int value)
{
    sensorWidgets(sensor).thresholdText->setText(QString::number(value));
    if (redrawAllowed() && sensor < m_sensorCount)
        drawSensor(sensor);
}

void CcdView::onBasisChanged()
{
    if (redrawAllowed())
        drawSensors();
}

void CcdView::onRecordedSensorChanged(int index)
{
    if (index < 0)
        return;
    m_recordedSensor = std::min(index, std::max(m_sensorCount - 1, 0));
    m_track.clear();
    showTrackRecord();
}
