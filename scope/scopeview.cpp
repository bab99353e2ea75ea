#include "scopeview.h"

#include "decimatedseries.h"
#include "dialogs.h"
#include "hiddentext.h"
#include "sampledecoders.h"
#include "sampletypes.h"
#include "scopecsv.h"
#include "scopecurve.h"
#include "settingsrecord.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_scopeview.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>

#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QSaveFile>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>
#include <utility>

namespace {

// While samples flow the plot is redrawn at most this often (30 a second);
// the first change after a quiet spell is drawn at once.
constexpr int kRedrawIntervalMs = 33;

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
    m_plotReady = true;
    redraw();
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
    const int columns = ui->car_scope->canvas()->contentsRect().width();
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        DecimatedSeries *series = m_series[size_t(channel)];
        series->setColumns(columns);
        series->setShown(channel < m_channelCount && m_shownChecks[size_t(channel)]->isChecked());
        series->invalidate();
    }
    // Only new samples move the view: a redraw for a zoom, a pan or a
    // channel switched on or off keeps the range the user chose.
    if (m_storedSinceRedraw) {
        trackNewest();
        fitYToStoredSamples();
    }
    m_storedSinceRedraw = false;
    if (nonFiniteIgnored() != m_noteNonFinite)
        updateNote();
    ui->car_scope->replot();
}

// Keeps the newest sample at the right edge, the X span unchanged; the
// start of the history stays at the left edge until it fills the span.
void ScopeView::trackNewest()
{
    const quint64 n = m_store.size();
    if (!ui->car_ware_autox->isChecked() || n == 0)
        return;
    const double x = m_store.xValues()[n - 1];
    const QwtScaleDiv &scale = ui->car_scope->axisScaleDiv(QwtPlot::xBottom);
    const double span = scale.upperBound() - scale.lowerBound();
    // The replot that follows updates the axes.
    const auto [min, max] = drawableRange(span > x ? 0 : x - span, span > x ? span : x, {0, 300});
    ui->car_scope->setAxisScale(QwtPlot::xBottom, min, max);
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
