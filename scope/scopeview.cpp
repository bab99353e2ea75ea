#include "scopeview.h"

#include "decimatedseries.h"
#include "dialogs.h"
#include "hiddentext.h"
#include "measuretable.h"
#include "sampledecoders.h"
#include "sampletypes.h"
#include "scopeanalysis.h"
#include "scopecsv.h"
#include "scopecursors.h"
#include "scopecurve.h"
#include "scopereadouts.h"
#include "settingsrecord.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_scopeview.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_panner.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>

#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QShortcut>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <tuple>
#include <utility>

namespace {

// While samples flow the plot is redrawn at most this often (30 a second);
// the first change after a quiet spell is drawn at once.
constexpr int kRedrawIntervalMs = 33;

// "自动" runs free after this long without a trigger.
constexpr qint64 kAutoFreeRunMs = 1000;
// The hysteresis "自动" stands for: this share of the Y span shown.
constexpr double kAutoHysteresisShare = 0.02;
// A spectrum's Y axis shows this much below its strongest bin.
constexpr double kSpectrumDepthDb = 120;
// While samples stream, the table and the spectrum or XY picture are
// computed again only once this many times their last cost has passed: a
// long range then takes at most a fifth of the time, a short one is
// measured at every redraw.
constexpr qint64 kMeasureCostFactor = 4;

const QColor kChannelColours[SampleStore::kChannels] = {
    {255, 0, 0},   {0, 85, 255},  {100, 100, 0}, {0, 170, 0},
    {255, 0, 127}, {85, 0, 127},  {170, 255, 0}, {255, 170, 0}};

QString defaultChannelName(int channel)
{
    return mainTr("波形") + QString::number(channel + 1);
}

// The plot's axes stay within these bounds, so a span is always a finite
// number however far apart the samples lie, and never shrink below a span
// the axis can still divide into ticks.
constexpr double kAxisLimit = 1e307;
constexpr double kRelativeSpan = 1e-12;
constexpr double kSmallestSpan = 1e-300;

// An axis range that can be drawn: finite, inside ±kAxisLimit, min below
// max. A range that is not a number at all gives `fallback`.
std::pair<double, double> drawableRange(double min, double max, std::pair<double, double> fallback)
{
    if (std::isnan(min) || std::isnan(max))
        return fallback;
    min = std::clamp(min, -kAxisLimit, kAxisLimit);
    max = std::clamp(max, -kAxisLimit, kAxisLimit);
    if (min > max)
        std::swap(min, max);
    const double smallest =
        std::max(kSmallestSpan, kRelativeSpan * std::max(std::abs(min), std::abs(max)));
    if (max - min < smallest) {
        const double middle = min / 2 + max / 2;
        min = std::max(middle - smallest / 2, -kAxisLimit);
        max = min + smallest;
    }
    return {min, max};
}

// The label as shown: a character that would hide or disguise text shows
// as a replacement mark.
QString visibleText(QString text)
{
    for (QChar &c : text) {
        if (HiddenText::isHidden(c))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString proposedFileName()
{
    return QStringLiteral("Zentrik虚拟示波器文件.csv");
}

QString fileFilter()
{
    return mainTr("逗号分隔(*.csv)");
}

} // namespace

ScopeView::ScopeView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , ui(std::make_unique<Ui::ScopeView>())
{
    ui->setupUi(this);
    for (int code = 0; code < kSampleTypeCount; ++code)
        ui->car_ware_type->addItem(QString::fromLatin1(sampleType(code).name), code);
    m_nameEdits = {ui->car_wave1, ui->car_wave2, ui->car_wave3, ui->car_wave4,
                   ui->car_wave5, ui->car_wave6, ui->car_wave7, ui->car_wave8};
    m_shownChecks = {ui->car_wave1_chk, ui->car_wave2_chk, ui->car_wave3_chk,
                     ui->car_wave4_chk, ui->car_wave5_chk, ui->car_wave6_chk,
                     ui->car_wave7_chk, ui->car_wave8_chk};
    m_channelCount = ui->car_ware_num->value();
    updateChannelWidgets();

    m_redrawTimer.setSingleShot(true);
    connect(&m_redrawTimer, &QTimer::timeout, this, &ScopeView::redraw);

    if (!m_store.isAllocated()) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("内存不足"));
        return;
    }
    setUpPlot();
    connectControls();
    setUpMeasuring();
    m_plotReady = true;
    redraw();
}

ScopeView::~ScopeView() = default;

void ScopeView::setUpPlot()
{
    QwtPlot *plot = ui->car_scope;
    plot->enableAxis(QwtPlot::xBottom, false);
    plot->enableAxis(QwtPlot::yLeft, false);
    plot->enableAxis(QwtPlot::yRight, true);
    // Hidden axes still lay out their tick labels whenever their scale
    // changes, and the X scale changes with every redraw while tracking.
    for (const int axis : {QwtPlot::xBottom, QwtPlot::xTop, QwtPlot::yLeft})
        plot->axisScaleDraw(axis)->enableComponent(QwtAbstractScaleDraw::Labels, false);
    setXRange(0, 300);
    setYRange(0, 1000);
    // Redraws are paced by the redraw timer and the buttons; an automatic
    // replot on every scale or data change would draw synchronously instead.
    plot->setAutoReplot(false);

    // A plain colour: the canvas is filled on every redraw.
    plot->setCanvasBackground(QBrush(Qt::white));
    plot->plotLayout()->setAlignCanvasToScales(true);

    auto *grid = new QwtPlotGrid;
    QPen gridPen(Qt::gray, 0, Qt::DotLine);
    gridPen.setCosmetic(true);
    grid->setPen(gridPen);
    grid->enableX(false);
    grid->enableXMin(true);
    grid->enableY(true);
    grid->enableYMin(true);
    grid->attach(plot);

    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        auto *curve = new ScopeCurve(QString());
        curve->setStyle(QwtPlotCurve::Lines);
        curve->setPen(QPen(kChannelColours[channel], 0));
        curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        curve->setPaintAttribute(QwtPlotCurve::ClipPolygons, false);
        m_series[size_t(channel)] = new DecimatedSeries(m_store, channel);
        curve->setData(m_series[size_t(channel)]);
        curve->attach(plot);
    }

    // Every redraw paints the whole canvas anew, so a cache of it would only
    // add a copy of every pixel per frame.
    static_cast<QwtPlotCanvas *>(plot->canvas())
        ->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    new QwtPlotMagnifier(plot->canvas());
    new QwtPlotPanner(plot->canvas());
    plot->canvas()->installEventFilter(this);
}

void ScopeView::connectControls()
{
    for (QCheckBox *check : m_shownChecks)
        connect(check, &QCheckBox::stateChanged, this, &ScopeView::scheduleRedraw);
    connect(ui->car_x_zoomin, &QPushButton::clicked, this, [this] { zoomX(0.5); });
    connect(ui->car_x_zoomout, &QPushButton::clicked, this, [this] { zoomX(2); });
    connect(ui->car_y_zoomin, &QPushButton::clicked, this, [this] { zoomY(0.5); });
    connect(ui->car_y_zoomout, &QPushButton::clicked, this, [this] { zoomY(2); });
    connect(ui->car_y_tozero, &QPushButton::clicked, this, &ScopeView::moveYToZero);
    connect(ui->car_ware_clear, &QPushButton::clicked, this, &ScopeView::clearSamples);
    connect(ui->car_ware_out, &QPushButton::clicked, this, &ScopeView::exportSamples);
    connect(ui->car_ware_in, &QPushButton::clicked, this, &ScopeView::importSamples);
    connect(ui->car_ware_autox, &QCheckBox::toggled, this, &ScopeView::scheduleRedraw);
    connect(ui->car_ware_type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ScopeView::applyTypePreset);
    connect(ui->car_ware_num, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &ScopeView::followChannelCount);
}

int ScopeView::payloadLength() const
{
    return channelCountSetting() * sampleType(typeCodeSetting()).size;
}

int ScopeView::channelCountSetting() const
{
    return ui->car_ware_num->value();
}

int ScopeView::typeCodeSetting() const
{
    return ui->car_ware_type->currentData().toInt();
}

void ScopeView::applySettings(int channelCount, int typeCode)
{
    ui->car_ware_num->setValue(channelCount);
    const int index = ui->car_ware_type->findData(typeCode);
    if (index >= 0)
        ui->car_ware_type->setCurrentIndex(index);
}

static_assert(SettingsRecord::kChannels == SampleStore::kChannels,
              "the settings file keeps a name for every channel");

void ScopeView::saveSettings(SettingsRecord &record) const
{
    record.channelCount = quint8(ui->car_ware_num->value());
    record.sampleType = quint8(ui->car_ware_type->currentIndex());
    for (size_t channel = 0; channel < record.channelNames.size(); ++channel) {
        record.channelShown[channel] = m_shownChecks[channel]->isChecked();
        record.channelNames[channel] = textToBytes(m_nameEdits[channel]->text());
    }
}

void ScopeView::loadSettings(const SettingsRecord &record)
{
    ui->car_ware_num->setValue(record.channelCount);
    if (record.sampleType < ui->car_ware_type->count())
        ui->car_ware_type->setCurrentIndex(record.sampleType);
    for (size_t channel = 0; channel < record.channelNames.size(); ++channel) {
        m_shownChecks[channel]->setChecked(record.channelShown[channel]);
        m_nameEdits[channel]->setText(bytesToText(record.channelNames[channel]));
    }
}

void ScopeView::setFeed(Feed feed)
{
    m_feed = feed;
    ui->car_ware_type->setEnabled(!m_linkOpen && feed == Feed::CarFrames);
}

void ScopeView::setLinkOpen(bool open)
{
    m_linkOpen = open;
    if (open && m_feed == Feed::CarFrames) {
        m_channelCount = ui->car_ware_num->value();
        m_typeCode = ui->car_ware_type->currentData().toInt();
    } else if (open) {
        // Rows carry doubles; a waveform file keeps them as such. The count
        // starts from what the store already holds and grows with the rows.
        m_typeCode = Double;
        if (m_store.size() == 0) {
            m_channelCount = 1;
            m_fitYPending = true;
        }
        ui->car_ware_num->setValue(m_channelCount);
        m_dataNames.clear();
        m_refusalReported = false;
        m_labelNote.clear();
        m_decoderNonFiniteSeen = 0; // every opening has a decoder of its own
        updateNote();
    }
    ui->car_ware_num->setEnabled(!open);
    ui->car_ware_type->setEnabled(!open && m_feed == Feed::CarFrames);
    updateChannelWidgets();
    scheduleRedraw();
}

void ScopeView::appendRow(const double *values, int count)
{
    count = std::clamp(count, 1, int(SampleStore::kChannels));
    double row[SampleStore::kChannels];
    std::copy(m_lastRow, m_lastRow + SampleStore::kChannels, row);
    std::copy(values, values + count, row);
    // A row the store refuses must not live on in the channels later rows
    // leave out.
    if (std::all_of(values, values + count, [](double value) { return std::isfinite(value); }))
        std::copy(row, row + SampleStore::kChannels, m_lastRow);
    if (count > m_channelCount) {
        m_channelCount = count;
        const QSignalBlocker blocker(ui->car_ware_num);
        ui->car_ware_num->setValue(count);
        updateChannelWidgets();
    }
    if (m_fileBusy)
        std::copy(row, row + SampleStore::kChannels, std::back_inserter(m_heldSamples));
    else
        appendSample(row);
}

void ScopeView::nameChannels(const QStringList &names)
{
    const int count = std::min(int(names.size()), int(SampleStore::kChannels));
    for (int channel = 0; channel < count; ++channel) {
        if (channel < m_dataNames.size() && m_dataNames[channel] == names[channel])
            continue;
        // A label that would pass for something else on screen names no
        // channel; its samples are plotted all the same.
        m_nameEdits[size_t(channel)]->setText(HiddenText::contains(names[channel])
                                                  ? defaultChannelName(channel)
                                                  : names[channel]);
    }
    m_dataNames = names.mid(0, count);
}

void ScopeView::reportRefusedLabels(qint64 count, const QString &firstLabel)
{
    if (count <= 0 || m_refusalReported)
        return;
    m_refusalReported = true;
    m_labelNote = mainTr("通道已满（%1 个），数据中的新标签“%2”等已忽略。")
                      .arg(SampleStore::kChannels)
                      .arg(visibleText(firstLabel));
    updateNote();
}

void ScopeView::followLabels(const TextLineDecoder &decoder)
{
    if (decoder.channelNames().size() != m_dataNames.size())
        nameChannels(decoder.channelNames());
    reportRefusedLabels(decoder.labelsRefused(), decoder.firstRefusedLabel());
    const qint64 skipped = decoder.nonFiniteSkipped();
    if (skipped != m_decoderNonFiniteSeen) {
        m_textNonFinite += skipped - m_decoderNonFiniteSeen;
        m_decoderNonFiniteSeen = skipped;
        updateNote();
    }
}

qint64 ScopeView::nonFiniteIgnored() const
{
    return m_store.nonFiniteRefused() + m_textNonFinite;
}

// One note under the plot for what the data brought that is not shown.
void ScopeView::updateNote()
{
    m_noteNonFinite = nonFiniteIgnored();
    QStringList lines;
    if (!m_labelNote.isEmpty())
        lines.append(m_labelNote);
    if (m_noteNonFinite > 0)
        lines.append(mainTr("数据中有 %1 处非有限数值（inf 或 nan），已忽略。").arg(m_noteNonFinite));
    ui->car_ware_note->setText(lines.join(QLatin1Char('\n')));
    ui->car_ware_note->setVisible(!lines.isEmpty());
}

// Text firmware prints values of any size: the first rows after the store
// was emptied choose a Y range that shows them, once; the buttons rule after.
void ScopeView::fitYToStoredSamples()
{
    const quint64 n = m_store.size();
    if (!m_fitYPending || n == 0)
        return;
    m_fitYPending = false;
    double low = m_store.window(0)[0];
    double high = low;
    for (int channel = 0; channel < m_channelCount; ++channel) {
        double min = 0;
        double max = 0;
        m_store.minMax(channel, 0, n - 1, min, max);
        low = std::min(low, min);
        high = std::max(high, max);
    }
    // Halves first: the span of 1e308 and -1e308 is beyond a double.
    const double halfSpan = high / 2 - low / 2;
    const double margin = halfSpan > 0 ? halfSpan * 0.2 : std::max(1.0, std::abs(high) * 0.1);
    setYRange(low - margin, high + margin);
}

void ScopeView::handleFrame(const char *payload, int length)
{
    ++m_framesReceived;
    // Without its block the store has nowhere to put samples ("内存不足" was
    // shown at start-up). A payload shorter than the channels need can only
    // come from settings changed since the link opened (an import); reading
    // it would run past its end.
    if (!m_store.isAllocated() || length < m_channelCount * sampleType(m_typeCode).size)
        return;
    double values[SampleStore::kChannels] = {};
    decodeSamples(m_typeCode, m_channelCount, payload, values);
    if (m_fileBusy)
        std::copy(values, values + SampleStore::kChannels, std::back_inserter(m_heldSamples));
    else
        appendSample(values);
}

void ScopeView::storeHeldSamples()
{
    m_fileBusy = false;
    for (int row = 0; row < m_heldSamples.size(); row += SampleStore::kChannels)
        appendSample(m_heldSamples.constData() + row);
    m_heldSamples.clear();
}

void ScopeView::appendSample(const double *values)
{
    if (m_store.append(values, m_channelCount)) {
        m_storedSinceRedraw = true;
        ++m_arrivedSinceRedraw;
        scheduleRedraw();
    }
}

// The count is fixed while the link is open; before, the channels shown
// follow the box, whoever set it.
void ScopeView::followChannelCount(int count)
{
    if (m_linkOpen)
        return;
    m_channelCount = count;
    updateChannelWidgets();
    scheduleRedraw();
}

void ScopeView::updateChannelWidgets()
{
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        const bool used = channel < m_channelCount;
        m_nameEdits[size_t(channel)]->setVisible(used);
        m_shownChecks[size_t(channel)]->setVisible(used);
    }
}

void ScopeView::scheduleRedraw()
{
    if (!m_plotReady || m_redrawTimer.isActive())
        return;
    const qint64 since = m_sinceRedraw.isValid() ? m_sinceRedraw.elapsed() : kRedrawIntervalMs;
    m_redrawTimer.start(int(std::max<qint64>(0, kRedrawIntervalMs - since)));
}

void ScopeView::redrawNow()
{
    if (m_redrawTimer.isActive()) {
        m_redrawTimer.stop();
        redraw();
    }
}

void ScopeView::redraw()
{
    if (!m_plotReady)
        return;
    m_sinceRedraw.start();
    if (m_arrivedSinceRedraw > 0) {
        m_rateMeter.samplesArrived(m_arrivedSinceRedraw, m_clock.elapsed());
        m_arrivedSinceRedraw = 0;
    }
    const int columns = ui->car_scope->canvas()->contentsRect().width();
    const bool waveform = m_display == Display::Waveform;
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        DecimatedSeries *series = m_series[size_t(channel)];
        series->setColumns(columns);
        series->setShown(waveform && channelShown(channel));
        series->setEndSequence(m_holdEnd);
        series->invalidate();
    }
    // Only new samples move the view: a redraw for a zoom, a pan or a
    // channel switched on or off keeps the range the user chose.
    const bool streamed = m_storedSinceRedraw;
    if (streamed) {
        followStream();
        if (waveform)
            fitYToStoredSamples();
    }
    m_storedSinceRedraw = false;
    if (nonFiniteIgnored() != m_noteNonFinite)
        updateNote();
    // What is measured and read out follows the new scales; the replot
    // finds them done.
    ui->car_scope->updateAxes();
    if (!streamed || !m_sinceMeasure.isValid()
        || m_sinceMeasure.elapsed() >= kMeasureCostFactor * m_measureCostMs) {
        QElapsedTimer cost;
        cost.start();
        updateAnalysis();
        updateMeasurements();
        m_measureCostMs = cost.elapsed();
        m_sinceMeasure.start();
    }
    updateReadout();
    updateCursorInfo();
    updateTriggerState();
    const std::optional<double> measured = m_rateMeter.rate();
    ui->car_ware_rateMeasured->setText(
        measured ? mainTr("实测 %1 Hz").arg(QString::number(*measured, 'f', 1)) : mainTr("实测 —"));
    m_redrawing = true;
    emit redrawing();
    m_redrawing = false;
    ui->car_scope->replot();
}

// New samples: the trigger searches them; unless held, the view follows
// the newest sample or shows the newest trigger, as the trigger mode says.
void ScopeView::followStream()
{
    const std::optional<quint64> trigger =
        m_trigger.search(m_store, windowSamples() - preTriggerSamples(windowSamples(),
                                                                      ui->car_ware_trigPos->value()));
    if (trigger)
        m_sinceTrigger.start();
    if (isHeld())
        return;
    switch (m_trigger.mode()) {
    case TriggerRun::Mode::Off:
        trackNewest();
        break;
    case TriggerRun::Mode::Auto:
        if (trigger)
            showTrigger(*trigger);
        else if (m_sinceTrigger.elapsed() > kAutoFreeRunMs)
            trackNewest();
        break;
    case TriggerRun::Mode::Normal:
    case TriggerRun::Mode::Single:
        if (trigger)
            showTrigger(*trigger);
        break;
    }
    if (trigger && m_trigger.mode() == TriggerRun::Mode::Single)
        ui->car_ware_hold->setChecked(true);
}

// Keeps the newest sample at the right edge, the X span unchanged; the
// start of the history stays at the left edge until it fills the span.
void ScopeView::trackNewest()
{
    if (ui->car_ware_autox->isChecked())
        moveToNewest();
}

void ScopeView::moveToNewest()
{
    const quint64 n = m_store.size();
    if (n == 0)
        return;
    const double x = m_store.xValues()[n - 1];
    const auto [low, high] = waveformXRange();
    const double span = high - low;
    setWaveformXRange(span > x ? 0 : x - span, span > x ? span : x);
}

void ScopeView::setXRange(double min, double max)
{
    std::tie(min, max) = drawableRange(min, max, {0, 300});
    ui->car_scope->setAxisScale(QwtPlot::xBottom, min, max);
    ui->car_scope->updateAxes();
}

void ScopeView::setYRange(double min, double max)
{
    std::tie(min, max) = drawableRange(min, max, {0, 1000});
    ui->car_scope->setAxisScale(QwtPlot::yLeft, min, max);
    ui->car_scope->setAxisScale(QwtPlot::yRight, min, max);
    ui->car_scope->updateAxes();
}

void ScopeView::zoomX(double factor)
{
    const QwtScaleDiv &scale = ui->car_scope->axisScaleDiv(QwtPlot::xBottom);
    setXRange(scale.lowerBound(), scale.lowerBound() + scale.range() * factor);
    scheduleRedraw();
}

void ScopeView::zoomY(double factor)
{
    const QwtScaleDiv &scale = ui->car_scope->axisScaleDiv(QwtPlot::yRight);
    setYRange(scale.lowerBound(), scale.lowerBound() + scale.range() * factor);
    scheduleRedraw();
}

void ScopeView::moveYToZero()
{
    const QwtScaleDiv &scale = ui->car_scope->axisScaleDiv(QwtPlot::yRight);
    setYRange(0, scale.upperBound() - scale.lowerBound());
    scheduleRedraw();
}

void ScopeView::applyTypePreset(int index)
{
    const SampleType &type = sampleType(ui->car_ware_type->itemData(index).toInt());
    setYRange(type.yMin, type.yMax);
    scheduleRedraw();
}

void ScopeView::clearSamples()
{
    // Sequence numbers start over: nothing held or marked refers to the
    // new samples.
    ui->car_ware_hold->setChecked(false);
    m_cursors->clear();
    m_trigger.restart();
    m_store.clear();
    m_textNonFinite = 0;
    m_fitYPending = m_feed == Feed::DecodedRows;
    scheduleRedraw();
}

bool ScopeView::eventFilter(QObject *watched, QEvent *event)
{
    // A wider or narrower canvas has a different number of pixel columns.
    if (event->type() == QEvent::Resize)
        scheduleRedraw();
    return QWidget::eventFilter(watched, event);
}

void ScopeView::exportSamples()
{
    const QString fileName =
        m_dialogs.saveFileName(this, mainTr("保存文件"), proposedFileName(), fileFilter());
    if (fileName.isEmpty())
        return;
    // Written beside the target and moved over it only when complete, so a
    // cancelled or failed export leaves no partial file behind.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "FileWrite 打开文件失败";
        m_dialogs.critical(nullptr, mainTr("错误"), mainTr("打开文件失败：%1").arg(fileName));
        return;
    }
    QStringList names;
    for (QLineEdit *edit : m_nameEdits)
        names.append(edit->text());
    m_fileBusy = true;
    auto progress = m_dialogs.progress(this, mainTr("正在导出波形……"),
                                       qint64(m_channelCount) * qint64(m_store.size()));
    const CsvWriteResult result =
        writeScopeCsv(file, m_store, m_channelCount, m_typeCode, names,
                      [&](qint64 done) { return progress->update(done); });
    progress.reset();
    storeHeldSamples();
    if (result == CsvWriteResult::Cancelled) {
        file.cancelWriting();
        return;
    }
    if (result == CsvWriteResult::Failed || !file.commit())
        m_dialogs.critical(nullptr, mainTr("错误"), mainTr("写入文件失败：%1").arg(fileName));
}

void ScopeView::importSamples()
{
    const QString fileName =
        m_dialogs.openFileName(this, mainTr("选择文件"), proposedFileName(), fileFilter());
    if (fileName.isEmpty())
        return;
    // Read in chunks, never mapped: a mapped file that another program
    // shortens meanwhile takes the whole program down with it.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        qDebug() << "FileRead 打开文件失败";
    if (!file.isOpen() || file.size() == 0) {
        m_dialogs.critical(nullptr, mainTr("错误"), mainTr("文件为空！"));
        return;
    }

    ScopeCsvReader reader(file);
    if (!reader.readConfiguration()) {
        m_dialogs.critical(nullptr, reader.problem().title, reader.problem().text);
        return;
    }
    m_channelCount = reader.channelCount();
    ui->car_ware_num->setValue(m_channelCount);
    clearSamples();
    for (int channel = 0; channel < SampleStore::kChannels; ++channel)
        m_nameEdits[size_t(channel)]->setText(defaultChannelName(channel));
    updateChannelWidgets();

    const bool linesAgree = reader.readChannels();
    const QStringList names = reader.names();
    for (int channel = 0; channel < names.size(); ++channel)
        m_nameEdits[size_t(channel)]->setText(names[channel]);
    if (!linesAgree) {
        m_dialogs.critical(nullptr, reader.problem().title, reader.problem().text);
        return;
    }

    m_typeCode = reader.typeCode();
    ui->car_ware_type->setCurrentIndex(m_typeCode);
    ui->car_ware_num->setValue(m_channelCount);
    m_fileBusy = true;
    auto progress = m_dialogs.progress(this, mainTr("正在导入波形……"), reader.sampleCount());
    const CsvReadResult result =
        reader.appendTo(m_store, [&](qint64 done) { return progress->update(done); });
    progress.reset();
    if (result == CsvReadResult::Read)
        m_storedSinceRedraw = true;
    else
        m_store.clear();
    storeHeldSamples();
    if (result == CsvReadResult::Cancelled)
        m_dialogs.information(nullptr, mainTr("提示"), mainTr("导入已取消，波形已清空。"));
    else if (result == CsvReadResult::Failed)
        m_dialogs.critical(nullptr, mainTr("错误"),
                           mainTr("读取文件失败，波形已清空：%1").arg(fileName));
    scheduleRedraw();
}

void ScopeView::setUpMeasuring()
{
    QwtPlot *plot = ui->car_scope;
    m_cursors = new ScopeCursors(plot);
    // Lines stand on samples: X values are whole sample numbers.
    m_cursors->setSnap([this](double x) {
        const quint64 n = m_store.size();
        return n == 0 ? std::round(x)
                      : m_store.xValues()[nearestSample(m_store.xValues(), n, x)];
    });
    m_measureTable = new MeasureTable(ui->car_ware_measure);
    m_analysis = std::make_unique<ScopeAnalysis>(plot, m_store);
    m_levelLine = new QwtPlotMarker;
    m_levelLine->setLineStyle(QwtPlotMarker::HLine);
    m_levelLine->setLinePen(QColor(0, 130, 130), 0, Qt::DashDotLine);
    m_levelLine->setVisible(false);
    m_levelLine->attach(plot);
    m_clock.start();
    m_sinceTrigger.start();

    const QKeySequence holdKey(Qt::Key_Space);
    auto *holdShortcut = new QShortcut(holdKey, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(holdShortcut, &QShortcut::activated, ui->car_ware_hold, &QPushButton::toggle);
    ui->car_ware_hold->setToolTip(mainTr("画面静止，样本照常保存（%1）")
                                      .arg(holdKey.toString(QKeySequence::NativeText)));
    nameChannelChoices();
    ui->car_ware_yChannel->setCurrentIndex(1);
    updateTriggerState();
    connectMeasuring();
}

void ScopeView::connectMeasuring()
{
    connect(m_cursors, &ScopeCursors::mouseMoved, this, &ScopeView::scheduleRedraw);
    connect(m_cursors, &ScopeCursors::cursorsChanged, this, &ScopeView::scheduleRedraw);
    connect(ui->car_ware_hold, &QPushButton::toggled, this, &ScopeView::holdToggled);
    connect(ui->car_ware_savePicture, &QPushButton::clicked, this, &ScopeView::savePicture);
    connect(ui->car_ware_display, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ScopeView::setDisplay);
    connect(ui->car_ware_toolsShown, &QCheckBox::toggled, this, [this](bool shown) {
        ui->car_ware_tools->setVisible(shown);
        scheduleRedraw();
    });
    connect(ui->car_ware_tools, &QTabWidget::currentChanged, this, &ScopeView::scheduleRedraw);
    for (QComboBox *choice : {ui->car_ware_measureRange, ui->car_ware_xChannel, ui->car_ware_yChannel})
        connect(choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
            m_fitAnalysisPending = true;
            scheduleRedraw();
        });
    connect(ui->car_ware_rate, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this] {
        m_fitAnalysisPending = true;
        scheduleRedraw();
    });
    for (QComboBox *choice : {ui->car_ware_trigMode, ui->car_ware_trigChannel, ui->car_ware_trigEdge})
        connect(choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &ScopeView::configureTrigger);
    for (QDoubleSpinBox *box : {ui->car_ware_trigLevel, ui->car_ware_trigHysteresis})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &ScopeView::configureTrigger);
    connect(ui->car_ware_trigArm, &QPushButton::clicked, this, &ScopeView::rearmTrigger);
    for (QLineEdit *edit : m_nameEdits)
        connect(edit, &QLineEdit::textChanged, this, [this] {
            nameChannelChoices();
            scheduleRedraw();
            emit channelsRenamed();
        });
}

bool ScopeView::channelShown(int channel) const
{
    return channel < m_channelCount && m_shownChecks[size_t(channel)]->isChecked();
}

void ScopeView::nameChannelChoices()
{
    for (QComboBox *choice : {ui->car_ware_trigChannel, ui->car_ware_xChannel, ui->car_ware_yChannel}) {
        const QSignalBlocker blocker(choice);
        for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
            const QString name = m_nameEdits[size_t(channel)]->text();
            if (channel < choice->count())
                choice->setItemText(channel, name);
            else
                choice->addItem(name);
        }
    }
}

std::optional<double> ScopeView::sampleRate() const
{
    if (ui->car_ware_rate->value() > 0)
        return ui->car_ware_rate->value();
    return m_rateMeter.rate();
}

QString ScopeView::channelName(int channel) const
{
    return m_nameEdits[size_t(std::clamp(channel, 0, SampleStore::kChannels - 1))]->text();
}

void ScopeView::showSamples(quint64 first, quint64 last, std::optional<quint64> a,
                            std::optional<quint64> b)
{
    ui->car_ware_display->setCurrentIndex(int(Display::Waveform));
    ui->car_ware_hold->setChecked(true);
    const double margin = std::max(1.0, double(last - first) * 0.05);
    setXRange(double(first) - margin, double(last) + margin);
    m_cursors->clear();
    if (a)
        m_cursors->place(ScopeCursors::Which::A, double(*a));
    if (b)
        m_cursors->place(ScopeCursors::Which::B, double(*b));
    scheduleRedraw();
}

void ScopeView::setMarks(const std::vector<quint64> &sequences)
{
    const size_t count = std::min(sequences.size(), kMaxMarks);
    while (m_marks.size() < count) {
        auto *mark = new QwtPlotMarker;
        mark->setLineStyle(QwtPlotMarker::VLine);
        mark->setLinePen(QColor(120, 120, 120), 0, Qt::DashLine);
        mark->attach(ui->car_scope);
        m_marks.push_back(mark);
    }
    const auto newest = sequences.end() - std::ptrdiff_t(count);
    m_markCount = count;
    for (size_t index = 0; index < m_marks.size(); ++index) {
        m_marks[index]->setVisible(index < count && m_display == Display::Waveform);
        if (index < count)
            m_marks[index]->setXValue(double(newest[std::ptrdiff_t(index)]));
    }
    if (!m_redrawing)
        scheduleRedraw();
}

std::pair<double, double> ScopeView::waveformXRange() const
{
    if (m_display != Display::Waveform)
        return m_waveX;
    const QwtScaleDiv &scale = ui->car_scope->axisScaleDiv(QwtPlot::xBottom);
    return {scale.lowerBound(), scale.upperBound()};
}

// Called as samples arrive: the replot that follows updates the axes.
void ScopeView::setWaveformXRange(double min, double max)
{
    std::tie(min, max) = drawableRange(min, max, {0, 300});
    if (m_display == Display::Waveform)
        ui->car_scope->setAxisScale(QwtPlot::xBottom, min, max);
    else
        m_waveX = {min, max};
}

double ScopeView::waveformYSpan() const
{
    if (m_display != Display::Waveform)
        return m_waveY.second - m_waveY.first;
    return ui->car_scope->axisScaleDiv(QwtPlot::yRight).range();
}

// The samples the X span holds, as the trigger places its window.
quint64 ScopeView::windowSamples() const
{
    const auto [low, high] = waveformXRange();
    return quint64(std::clamp(std::round(high - low), 1.0, double(m_store.capacity())));
}

void ScopeView::showTrigger(quint64 trigger)
{
    const auto [low, high] = waveformXRange();
    const SampleRange window =
        windowAroundTrigger(trigger, windowSamples(), ui->car_ware_trigPos->value());
    setWaveformXRange(double(window.first), double(window.first) + (high - low));
}

void ScopeView::holdToggled(bool held)
{
    if (held) {
        m_holdEnd = m_store.endSequence();
    } else {
        m_holdEnd.reset();
        moveToNewest();
    }
    scheduleRedraw();
}

void ScopeView::configureTrigger()
{
    const auto mode = TriggerRun::Mode(ui->car_ware_trigMode->currentIndex());
    const TriggerEdge edges[] = {TriggerEdge::Rising, TriggerEdge::Falling, TriggerEdge::Both};
    const double level = ui->car_ware_trigLevel->value();
    double hysteresis = ui->car_ware_trigHysteresis->value();
    if (hysteresis <= 0)
        hysteresis = kAutoHysteresisShare * waveformYSpan();
    m_trigger.configure(m_store, mode, ui->car_ware_trigChannel->currentIndex(),
                        edges[std::clamp(ui->car_ware_trigEdge->currentIndex(), 0, 2)], level,
                        hysteresis);
    m_sinceTrigger.start();
    m_levelLine->setYValue(level);
    updateTriggerState();
    scheduleRedraw();
}

// Waits for the next edge; a picture "单次" held is let go.
void ScopeView::rearmTrigger()
{
    m_trigger.rearm(m_store);
    m_sinceTrigger.start();
    ui->car_ware_hold->setChecked(false);
    updateTriggerState();
    scheduleRedraw();
}

void ScopeView::updateTriggerState()
{
    QString text = QStringLiteral("—");
    switch (m_trigger.state()) {
    case TriggerRun::State::Off:
        break;
    case TriggerRun::State::Waiting:
        text = mainTr("等待");
        break;
    case TriggerRun::State::Triggered:
        text = mainTr("已触发");
        break;
    case TriggerRun::State::Stopped:
        text = mainTr("停止");
        break;
    }
    ui->car_ware_trigState->setText(text);
    const bool on = m_trigger.mode() != TriggerRun::Mode::Off;
    ui->car_ware_trigArm->setEnabled(on);
    m_levelLine->setVisible(on && m_display == Display::Waveform);
}

void ScopeView::setDisplay(int index)
{
    const auto display = Display(std::clamp(index, 0, 2));
    if (display == m_display)
        return;
    QwtPlot *plot = ui->car_scope;
    if (m_display == Display::Waveform) {
        m_waveX = waveformXRange();
        const QwtScaleDiv &y = plot->axisScaleDiv(QwtPlot::yRight);
        m_waveY = {y.lowerBound(), y.upperBound()};
    }
    m_display = display;
    const bool waveform = display == Display::Waveform;
    m_cursors->setEnabled(waveform);
    for (size_t index = 0; index < m_markCount; ++index)
        m_marks[index]->setVisible(waveform);
    // Frequencies and channel values want numbers on the X axis; sample
    // numbers never had them.
    plot->enableAxis(QwtPlot::xBottom, !waveform);
    plot->axisScaleDraw(QwtPlot::xBottom)->enableComponent(QwtAbstractScaleDraw::Labels, !waveform);
    if (waveform) {
        m_analysis->hide();
        setXRange(m_waveX.first, m_waveX.second);
        setYRange(m_waveY.first, m_waveY.second);
    }
    m_fitAnalysisPending = !waveform;
    // What the mouse read belongs to the picture that is gone.
    ui->car_ware_readout->clear();
    updateTriggerState();
    scheduleRedraw();
}

void ScopeView::updateAnalysis()
{
    if (m_display == Display::Waveform)
        return;
    const SampleRange positions = measurementPositions();
    if (m_display == Display::Spectrum) {
        std::array<bool, SampleStore::kChannels> shown{};
        std::array<QColor, SampleStore::kChannels> colours;
        for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
            shown[size_t(channel)] = channelShown(channel);
            colours[size_t(channel)] = kChannelColours[channel];
        }
        m_analysis->showSpectrum(positions, shown, sampleRate(), colours);
    } else {
        m_analysis->showXy(positions, ui->car_ware_xChannel->currentIndex(),
                           ui->car_ware_yChannel->currentIndex());
    }
    if (m_fitAnalysisPending)
        fitAnalysisAxes();
}

// A new picture starts fitted to what it shows; zooming and panning it
// afterwards is the user's.
void ScopeView::fitAnalysisAxes()
{
    const QRectF bounds = m_analysis->bounds();
    if (bounds.isNull())
        return;
    m_fitAnalysisPending = false;
    double top = bounds.bottom(); // QRectF's bottom is the larger Y
    double low = bounds.top();
    if (m_display == Display::Spectrum) {
        low = std::max(low, top - kSpectrumDepthDb);
        setXRange(0, m_analysis->spectrumRate().value_or(1) / 2);
    } else {
        const double margin = std::max(bounds.width(), 1e-9) * 0.05;
        setXRange(bounds.left() - margin, bounds.right() + margin);
    }
    const double margin = std::max(top - low, 1e-9) * 0.05;
    setYRange(low - margin, top + margin);
}

SampleRange ScopeView::measurementPositions() const
{
    const quint64 end = m_holdEnd.value_or(m_store.endSequence());
    SampleRange sequences{m_store.firstSequence(), 0};
    switch (ui->car_ware_measureRange->currentIndex()) {
    case 0: { // 可见范围
        const auto [low, high] = waveformXRange();
        const double first = std::max(0.0, std::ceil(low));
        const double last = std::min(std::floor(high), double(end) - 1);
        if (last >= first)
            sequences = {quint64(first), quint64(last - first) + 1};
        break;
    }
    case 1: { // 光标之间
        const std::optional<double> a = m_cursors->position(ScopeCursors::Which::A);
        const std::optional<double> b = m_cursors->position(ScopeCursors::Which::B);
        if (a && b && std::min(*a, *b) >= 0)
            sequences = {quint64(std::min(*a, *b)), quint64(std::abs(*b - *a)) + 1};
        break;
    }
    default: // 全部数据
        sequences.count = end > sequences.first ? end - sequences.first : 0;
        break;
    }
    return m_store.positionsOf(sequences);
}

// What the page shows now, for the texts of its numbers.
ScopeReadouts ScopeView::readouts() const
{
    ScopeReadouts readouts{m_store, sampleRate(), {}, {}, m_cursors->position(ScopeCursors::Which::A),
                           m_cursors->position(ScopeCursors::Which::B)};
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        readouts.names[size_t(channel)] = m_nameEdits[size_t(channel)]->text();
        readouts.shown[size_t(channel)] = channelShown(channel);
    }
    return readouts;
}

void ScopeView::updateReadout()
{
    const std::optional<double> x = m_cursors->mouseX();
    if (!x || m_display == Display::Xy || (m_display == Display::Waveform && m_store.size() == 0)) {
        m_cursors->showReadout(std::nullopt);
        return;
    }
    if (m_display == Display::Spectrum) {
        ui->car_ware_readout->setText(readouts().spectrumReadout(
            *x, [&](int channel) { return m_analysis->magnitudeAt(channel, *x); }));
        return;
    }
    double sampleX = 0;
    ui->car_ware_readout->setText(readouts().waveformReadout(*x, sampleX));
    m_cursors->showReadout(sampleX);
}

void ScopeView::updateCursorInfo()
{
    const QString text = m_display == Display::Waveform ? readouts().cursorText() : QString();
    ui->car_ware_cursorInfo->setVisible(!text.isEmpty());
    ui->car_ware_cursorInfo->setText(text);
}

// The table costs a pass over the range per channel: only while it can be
// seen, and only at the redraw pace.
void ScopeView::updateMeasurements()
{
    if (!ui->car_ware_measure->isVisible())
        return;
    std::function<std::optional<double>(int)> spectrumPeak;
    if (m_display == Display::Spectrum)
        spectrumPeak = [this](int channel) { return m_analysis->peakCyclesPerSample(channel); };
    m_measureTable->setRows(readouts().measurementRows(measurementPositions(), spectrumPeak));
}

void ScopeView::savePicture()
{
    const QString fileName = m_dialogs.saveFileName(
        this, mainTr("保存图片"), QStringLiteral("Zentrik虚拟示波器.png"), mainTr("PNG图片(*.png)"));
    if (fileName.isEmpty())
        return;
    redrawNow();
    const QImage picture = ui->car_scope->grab().toImage();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        m_dialogs.critical(nullptr, mainTr("错误"), mainTr("写入文件失败：%1").arg(fileName));
}
