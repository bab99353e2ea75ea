#include "stepview.h"

#include "dialogs.h"
#include "paramview.h"
#include "scopeview.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_stepview.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QSaveFile>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

// The times shown are written again when the sample rate has moved by more
// than this share since.
constexpr double kRateTolerance = 0.01;
// Room beside a cell's text.
constexpr int kCellPadding = 14;

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

// A CSV field: quoted when it holds a separator or a quote, and kept from
// being run as a formula by a spreadsheet when it is not a number.
QString csvField(QString text)
{
    bool isNumber = false;
    text.toDouble(&isNumber);
    if (!isNumber && !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n'))) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

StepView::StepView(Dialogs &dialogs, ScopeView &scope, ParameterView &parameters, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::StepView>())
    , m_dialogs(dialogs)
    , m_scope(scope)
    , m_parameters(parameters)
{
    ui->setupUi(this);
    ui->car_step_table->horizontalHeader()->setStretchLastSection(true);
    ui->car_step_table->resizeColumnsToContents(); // the titles' widths
    ui->car_step_table->verticalHeader()->setVisible(false);
    fillSetpointChoices();
    fillResponseChoices();
    ui->car_step_response->setCurrentIndex(1);
    applySettings();

    connect(&m_scope, &ScopeView::redrawing, this, &StepView::analyse);
    connect(&m_scope, &ScopeView::channelsRenamed, this, [this] {
        fillSetpointChoices();
        fillResponseChoices();
    });
    connect(&m_parameters, &ParameterView::rowsChanged, this, &StepView::fillSetpointChoices);
    connect(&m_parameters, &ParameterView::valueSent, this, &StepView::onValueSent);
    for (QComboBox *choice : {ui->car_step_setpoint, ui->car_step_response, ui->car_step_band})
        connect(choice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &StepView::applySettings);
    connect(ui->car_step_minSize, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &StepView::applySettings);
    connect(ui->car_step_table, &QTableWidget::cellClicked, this,
            [this](int row, int) { showStep(row); });
    connect(ui->car_step_export, &QPushButton::clicked, this, &StepView::exportTable);
    connect(ui->car_step_clear, &QPushButton::clicked, this, &StepView::clearSteps);
}

StepView::~StepView() = default;

// The channels by name, then the parameter rows; the choice made stays
// while it is there.
void StepView::fillSetpointChoices()
{
    QComboBox *box = ui->car_step_setpoint;
    const QVariant chosen = box->currentData();
    {
        const QSignalBlocker blocker(box);
        box->clear();
        for (int channel = 0; channel < SampleStore::kChannels; ++channel)
            box->addItem(m_scope.channelName(channel), channel);
        for (const CarParameter &row : m_parameters.parameterSet().rows)
            box->addItem(row.name, row.name);
        box->setCurrentIndex(std::max(0, box->findData(chosen)));
    }
    if (chosen.isValid() && box->currentData() != chosen)
        applySettings();
}

void StepView::fillResponseChoices()
{
    QComboBox *box = ui->car_step_response;
    const QSignalBlocker blocker(box);
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        if (channel < box->count())
            box->setItemText(channel, m_scope.channelName(channel));
        else
            box->addItem(m_scope.channelName(channel));
    }
}

// New settings measure the stored samples again from the start.
void StepView::applySettings()
{
    StepSettings settings;
    const QVariant setpoint = ui->car_step_setpoint->currentData();
    if (setpoint.type() == QVariant::String) {
        settings.source = StepSource::Parameter;
    } else {
        settings.source = StepSource::Channel;
        settings.setpointChannel = setpoint.toInt();
    }
    settings.responseChannel = ui->car_step_response->currentIndex();
    settings.minSize = ui->car_step_minSize->value();
    settings.band = ui->car_step_band->currentIndex() == 1 ? kStepBand5 : kStepBand2;
    // Parameter steps cannot be found again in the samples.
    ui->car_step_note->setText(settings.source == StepSource::Parameter
                                   ? mainTr("每次发送“%1”开始一个阶跃；第一次发送时起点取小车回报的值，没有回报则不计。")
                                         .arg(setpoint.toString())
                                   : QString());
    ui->car_step_note->setVisible(settings.source == StepSource::Parameter);
    m_analyzer.setSettings(settings);
    rebuildTable();
    analyse();
}

void StepView::analyse()
{
    m_analyzer.update(m_scope.store());
    refreshTable();
}

// The step starts at the sample stored when the value went out, from the
// value sent before (or, the first time, the one the car reported).
void StepView::onValueSent(int row, double value)
{
    const CarParameterSet set = m_parameters.parameterSet();
    if (row < 0 || row >= set.rows.size())
        return;
    const QString name = set.rows[row].name;
    std::optional<double> from;
    double reported = 0;
    if (m_sent.contains(name))
        from = m_sent.value(name);
    else if (m_parameters.reportedValue(row, &reported))
        from = reported;
    m_sent.insert(name, value);

    const quint64 at = m_scope.store().endSequence();
    const QVariant setpoint = ui->car_step_setpoint->currentData();
    if (setpoint.type() == QVariant::String && setpoint.toString() == name && from
        && *from != value) {
        m_pendingStep = PendingStep{at, *from, value};
        // "全部发送" sends the other rows right after: the step names them too.
        QMetaObject::invokeMethod(this, &StepView::addPendingStep, Qt::QueuedConnection);
    }
    m_analyzer.setParameters(at, sentParameters());
}

void StepView::addPendingStep()
{
    if (!m_pendingStep)
        return;
    m_analyzer.addParameterStep(m_pendingStep->at, m_pendingStep->from, m_pendingStep->to,
                                sentParameters());
    m_pendingStep.reset();
    analyse();
}

// Every row as last sent, with its decimals: "kp=1.25 ki=0.10".
QString StepView::sentParameters() const
{
    QStringList parts;
    for (const CarParameter &row : m_parameters.parameterSet().rows) {
        const auto sent = m_sent.constFind(row.name);
        if (sent != m_sent.constEnd())
            parts << row.name + QLatin1Char('=') + QString::number(*sent, 'f', row.decimals);
    }
    return parts.join(QLatin1Char(' '));
}

// Only the rows of new steps and of the one that was open are written.
void StepView::refreshTable()
{
    const std::deque<Step> &steps = m_analyzer.steps();
    QTableWidget *table = ui->car_step_table;
    bool startsChanged = false;
    while (!m_shownStarts.empty() && (steps.empty() || m_shownStarts.front() < steps.front().start)) {
        m_shownStarts.pop_front();
        table->removeRow(table->rowCount() - 1);
        startsChanged = true;
    }
    const size_t shown = m_shownStarts.size();
    if (shown > steps.size() || (shown > 0 && steps[shown - 1].start != m_shownStarts.back())) {
        rebuildTable();
        refreshTable();
        return;
    }
    // Times of every row in the same unit, at about the same rate.
    const std::optional<double> rate = m_scope.sampleRate();
    if (rate.has_value() != m_shownRate.has_value()
        || (rate && std::abs(*rate - *m_shownRate) > kRateTolerance * *m_shownRate)) {
        m_shownRate = rate;
        for (size_t index = 0; index + 1 < shown; ++index)
            fillRow(int(steps.size() - 1 - index), steps[index]);
    }
    if (shown == steps.size() && !m_newestShownOpen) {
        if (startsChanged)
            showMarks();
        return;
    }
    for (size_t index = shown; index < steps.size(); ++index) {
        table->insertRow(0);
        m_shownStarts.push_back(steps[index].start);
    }
    for (size_t index = shown > 0 ? shown - 1 : 0; index < steps.size(); ++index)
        fillRow(int(steps.size() - 1 - index), steps[index]);
    m_newestShownOpen = !steps.empty() && steps.back().open;
    if (startsChanged || shown != steps.size())
        showMarks();
}

void StepView::rebuildTable()
{
    ui->car_step_table->setRowCount(0);
    m_shownStarts.clear();
    m_newestShownOpen = false;
    showMarks();
}

void StepView::fillRow(int tableRow, const Step &step)
{
    const QStringList texts = rowTexts(step);
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem *item = ui->car_step_table->item(tableRow, column);
        if (!item) {
            item = new QTableWidgetItem(texts[column]);
            ui->car_step_table->setItem(tableRow, column, item);
        } else if (item->text() != texts[column]) {
            item->setText(texts[column]);
        }
    }
    growColumns(texts);
}

// Columns widen to their longest text and never narrow: measuring only the
// rows written keeps a long table cheap to update.
void StepView::growColumns(const QStringList &texts)
{
    QHeaderView *header = ui->car_step_table->horizontalHeader();
    const QFontMetrics metrics(ui->car_step_table->font());
    for (int column = 0; column < ColumnCount; ++column) {
        const int width = metrics.horizontalAdvance(texts[column]) + kCellPadding;
        if (width > header->sectionSize(column))
            header->resizeSection(column, width);
    }
}

QStringList StepView::rowTexts(const Step &step) const
{
    const StepMetrics &metrics = step.metrics;
    const std::optional<double> &rate = m_shownRate;
    QString start = QString::number(step.start);
    if (rate)
        start += QStringLiteral(" (%1 s)").arg(QString::number(double(step.start) / *rate, 'f', 3));
    QString settling = timeText(metrics.settlingTime);
    if (!metrics.settlingTime && !step.open)
        settling = mainTr("未稳定");
    return {start,
            number(step.from),
            number(step.to),
            timeText(metrics.delay),
            timeText(metrics.riseTime),
            QString::number(metrics.overshootPercent, 'f', 1) + QLatin1Char('%'),
            settling,
            QString::number(metrics.steadyStateError, 'g', 3),
            step.parameters};
}

// In ms when the oscilloscope knows its sample rate, else in samples.
QString StepView::timeText(const std::optional<double> &samples) const
{
    if (!samples)
        return QStringLiteral("—");
    if (const std::optional<double> &rate = m_shownRate)
        return QStringLiteral("%1 ms").arg(QString::number(*samples * 1000 / *rate, 'f', 1));
    return mainTr("%1 样本").arg(QString::number(*samples, 'f', 1));
}

void StepView::showMarks()
{
    std::vector<quint64> starts;
    starts.reserve(m_analyzer.steps().size());
    for (const Step &step : m_analyzer.steps())
        starts.push_back(step.start);
    m_scope.setMarks(starts);
}

// The step held on the oscilloscope, cursor A at its start and B where it
// settled.
void StepView::showStep(int tableRow)
{
    const std::deque<Step> &steps = m_analyzer.steps();
    if (tableRow < 0 || size_t(tableRow) >= steps.size())
        return;
    const Step &step = steps[steps.size() - 1 - size_t(tableRow)];
    const quint64 end = step.start + std::max<quint64>(step.length, 1);
    if (end <= m_scope.store().firstSequence() || step.start >= m_scope.store().endSequence()) {
        m_dialogs.information(this, mainTr("提示"), mainTr("这个阶跃的样本已不在示波器的记录中。"));
        return;
    }
    std::optional<quint64> settled;
    if (step.metrics.settlingTime)
        settled = step.start + step.metrics.settledAt;
    m_scope.showSamples(step.start, end - 1, step.start, settled);
    emit stepShown();
}

void StepView::exportTable()
{
    const QString fileName = m_dialogs.saveFileName(this, mainTr("导出"),
                                                    QStringLiteral("Zentrik阶跃响应.csv"),
                                                    mainTr("逗号分隔(*.csv)"));
    if (fileName.isEmpty())
        return;
    const QTableWidget *table = ui->car_step_table;
    QString text;
    QStringList fields;
    for (int column = 0; column < ColumnCount; ++column)
        fields << csvField(table->horizontalHeaderItem(column)->text());
    text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    for (int row = 0; row < table->rowCount(); ++row) {
        fields.clear();
        for (int column = 0; column < ColumnCount; ++column) {
            const QTableWidgetItem *item = table->item(row, column);
            fields << csvField(item ? item->text() : QString());
        }
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(textToBytes(text)) < 0 || !file.commit())
        m_dialogs.critical(nullptr, mainTr("错误"), mainTr("写入文件失败：%1").arg(fileName));
}

void StepView::clearSteps()
{
    m_pendingStep.reset();
    m_analyzer.reset();
    rebuildTable();
}
