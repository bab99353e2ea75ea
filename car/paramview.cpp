#include "paramview.h"

#include "dialogs.h"
#include "translation.h"
#include "ui_paramview.h"

#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>

namespace {

enum Column { NameColumn, ValueColumn, MinColumn, MaxColumn, StepColumn, DecimalsColumn,
              ReportedColumn };

// A slider has at most this many positions; a finer step is reached with
// the spin box.
constexpr int kMaxSliderSteps = 100000;
constexpr double kLimit = CarParams::kMaxMagnitude;
constexpr int kMarkCheckMs = 100;

QString fileFilter()
{
    return mainTr("参数文件 (*.zparams)");
}

QString printed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The digits after the point a value needs, up to the most a row shows.
int decimalsOf(double value)
{
    for (int decimals = 0; decimals < CarParams::kMaxDecimals; ++decimals) {
        const double scaled = value * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-9 * std::max(1.0, std::abs(scaled)))
            return decimals;
    }
    return CarParams::kMaxDecimals;
}

int sliderSteps(const CarParameter &row)
{
    const double steps = std::round((row.maximum - row.minimum) / row.step);
    return int(std::clamp(steps, 1.0, double(kMaxSliderSteps)));
}

int sliderPosition(const CarParameter &row)
{
    const double span = row.maximum - row.minimum;
    if (span <= 0)
        return 0;
    return int(std::round((row.value - row.minimum) / span * sliderSteps(row)));
}

QDoubleSpinBox *limitBox(QWidget *parent, const char *name, double minimum, int decimals)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(decimals);
    box->setRange(minimum, kLimit);
    box->setFrame(false);
    return box;
}

} // namespace

ParameterView::ParameterView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ParameterView>())
    , m_dialogs(dialogs)
    , m_pacer([this](int index) { send(index); })
{
    ui->setupUi(this);
    ui->car_param_template->setText(m_set.textTemplate);
    QHeaderView *header = ui->car_param_table->horizontalHeader();
    header->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    header->resizeSection(NameColumn, 90);
    for (int column : {MinColumn, MaxColumn, StepColumn})
        header->resizeSection(column, 80);
    header->resizeSection(DecimalsColumn, 55);
    header->resizeSection(ReportedColumn, 80);
    ui->car_param_table->verticalHeader()->setDefaultSectionSize(30);
    m_markTimer.setInterval(kMarkCheckMs);
    connect(&m_markTimer, &QTimer::timeout, this, &ParameterView::checkMarks);

    connect(ui->car_param_table, &QTableWidget::itemChanged, this, &ParameterView::onNameEdited);
    connect(ui->car_param_add, &QPushButton::clicked, this, &ParameterView::addRow);
    connect(ui->car_param_remove, &QPushButton::clicked, this, &ParameterView::removeRow);
    connect(ui->car_param_up, &QPushButton::clicked, this, [this] { moveRow(-1); });
    connect(ui->car_param_down, &QPushButton::clicked, this, [this] { moveRow(1); });
    connect(ui->car_param_mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ParameterView::onModeChosen);
    connect(ui->car_param_template, &QLineEdit::textEdited, this,
            &ParameterView::onTemplateEdited);
    connect(ui->car_param_sendAll, &QPushButton::clicked, this, &ParameterView::sendAll);
    connect(ui->car_param_open, &QPushButton::clicked, this, &ParameterView::openSet);
    connect(ui->car_param_save, &QPushButton::clicked, this, &ParameterView::saveSet);
    rebuildTable();
    showNote();
}

ParameterView::~ParameterView() = default;

void ParameterView::setLinkOpen(bool open)
{
    m_linkOpen = open;
    if (!open)
        m_pacer.cancelAll();
    // What a car reported before says nothing about the car now reached.
    if (open) {
        for (Reported &reported : m_reported)
            reported = {};
        for (int row = 0; row < int(m_reported.size()); ++row)
            showReported(row);
    }
    m_problem.clear();
    showNote();
}

void ParameterView::setReplies(Replies replies, const QString &protocol)
{
    m_replies = replies;
    m_protocol = protocol;
    showNote();
}

void ParameterView::setParameterSet(const CarParameterSet &set)
{
    m_pacer.cancelAll();
    m_set = set;
    m_reported.assign(size_t(m_set.rows.size()), Reported());
    m_templateProblem.clear();
    {
        const QSignalBlocker blocker(ui->car_param_mode);
        ui->car_param_mode->setCurrentIndex(m_set.mode == CarParameterSet::Mode::Binary ? 1 : 0);
    }
    ui->car_param_template->setText(m_set.textTemplate);
    ui->car_param_template->setEnabled(m_set.mode == CarParameterSet::Mode::Text);
    rebuildTable();
    showNote();
}

void ParameterView::reopenFile(const QString &path)
{
    QString problem;
    const std::optional<CarParameterSet> set = CarParams::loadFile(path, &problem);
    if (!set) {
        m_problem = mainTr("上次的参数文件打不开：%1").arg(problem);
        showNote();
        return;
    }
    setParameterSet(*set);
    m_fileName = path;
}

// ---- the table ------------------------------------------------------------------

void ParameterView::rebuildTable()
{
    m_filling = true;
    QTableWidget *table = ui->car_param_table;
    table->setRowCount(0);
    m_widgets = QVector<RowWidgets>(m_set.rows.size());
    table->setRowCount(m_set.rows.size());
    // Rows are numbered as %index and the parameter frames number them.
    QStringList indexes;
    for (int row = 0; row < m_set.rows.size(); ++row)
        indexes << QString::number(row);
    table->setVerticalHeaderLabels(indexes);
    for (int row = 0; row < m_set.rows.size(); ++row) {
        createRowWidgets(row);
        fillRow(row);
        showReported(row);
    }
    m_filling = false;
    ui->car_param_add->setEnabled(m_set.rows.size() < CarParameterSet::kMaxRows);
    emit rowsChanged();
}

void ParameterView::createRowWidgets(int row)
{
    QTableWidget *table = ui->car_param_table;
    auto *name = new QTableWidgetItem;
    table->setItem(row, NameColumn, name);
    auto *reported = new QTableWidgetItem;
    reported->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(row, ReportedColumn, reported);

    RowWidgets &widgets = m_widgets[row];
    auto *valueCell = new QWidget(table);
    auto *layout = new QHBoxLayout(valueCell);
    layout->setContentsMargins(2, 0, 2, 0);
    widgets.value = new QDoubleSpinBox(valueCell);
    widgets.value->setObjectName(QStringLiteral("car_param_value"));
    widgets.value->setFrame(false);
    // A number being typed goes out once complete, not digit by digit.
    widgets.value->setKeyboardTracking(false);
    widgets.value->setMinimumWidth(80);
    widgets.slider = new QSlider(Qt::Horizontal, valueCell);
    widgets.slider->setObjectName(QStringLiteral("car_param_slider"));
    widgets.slider->setMinimumWidth(120);
    layout->addWidget(widgets.value);
    layout->addWidget(widgets.slider, 1);
    table->setCellWidget(row, ValueColumn, valueCell);

    widgets.minimum = limitBox(table, "car_param_min", -kLimit, CarParams::kMaxDecimals);
    widgets.maximum = limitBox(table, "car_param_max", -kLimit, CarParams::kMaxDecimals);
    widgets.step = limitBox(table, "car_param_step", CarParams::kMinStep, CarParams::kMaxDecimals);
    widgets.decimals = new QSpinBox(table);
    widgets.decimals->setObjectName(QStringLiteral("car_param_decimals"));
    widgets.decimals->setRange(0, CarParams::kMaxDecimals);
    widgets.decimals->setFrame(false);
    table->setCellWidget(row, MinColumn, widgets.minimum);
    table->setCellWidget(row, MaxColumn, widgets.maximum);
    table->setCellWidget(row, StepColumn, widgets.step);
    table->setCellWidget(row, DecimalsColumn, widgets.decimals);

    // The row is looked up when a widget speaks: rows move.
    const auto rowOf = [this](QObject *widget) {
        for (int index = 0; index < m_widgets.size(); ++index) {
            const RowWidgets &w = m_widgets[index];
            if (widget == w.value || widget == w.slider || widget == w.minimum
                || widget == w.maximum || widget == w.step || widget == w.decimals)
                return index;
        }
        return -1;
    };
    connect(widgets.value, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this, rowOf, box = widgets.value](double value) { onValueChanged(rowOf(box), value); });
    connect(widgets.slider, &QSlider::valueChanged, this,
            [this, rowOf, slider = widgets.slider](int position) {
                onSliderMoved(rowOf(slider), position);
            });
    for (QAbstractSpinBox *limit : {static_cast<QAbstractSpinBox *>(widgets.minimum),
                                    static_cast<QAbstractSpinBox *>(widgets.maximum),
                                    static_cast<QAbstractSpinBox *>(widgets.step),
                                    static_cast<QAbstractSpinBox *>(widgets.decimals)}) {
        connect(limit, &QAbstractSpinBox::editingFinished, this,
                [this, rowOf, limit] { onLimitsEdited(rowOf(limit)); });
    }
}

// Shows the row's parameter in its widgets without sending anything.
void ParameterView::fillRow(int row)
{
    const CarParameter &parameter = m_set.rows[row];
    const RowWidgets &widgets = m_widgets[row];
    const bool filling = m_filling;
    m_filling = true;
    ui->car_param_table->item(row, NameColumn)->setText(parameter.name);
    widgets.value->setDecimals(parameter.decimals);
    widgets.value->setRange(parameter.minimum, parameter.maximum);
    widgets.value->setSingleStep(parameter.step);
    widgets.value->setValue(parameter.value);
    widgets.slider->setRange(0, sliderSteps(parameter));
    widgets.slider->setValue(sliderPosition(parameter));
    // The limits show the row's decimals, or as many as they need; the step
    // is at least one unit of the last shown.
    const int limitDecimals =
        std::max({parameter.decimals, decimalsOf(parameter.step), decimalsOf(parameter.minimum),
                  decimalsOf(parameter.maximum)});
    for (QDoubleSpinBox *limit : {widgets.minimum, widgets.maximum, widgets.step})
        limit->setDecimals(limitDecimals);
    widgets.step->setMinimum(std::pow(10.0, -limitDecimals));
    widgets.minimum->setValue(parameter.minimum);
    widgets.maximum->setValue(parameter.maximum);
    widgets.step->setValue(parameter.step);
    widgets.decimals->setValue(parameter.decimals);
    m_filling = filling;
}

void ParameterView::onNameEdited(QTableWidgetItem *item)
{
    if (m_filling || item->column() != NameColumn)
        return;
    const int row = item->row();
    const QString name = item->text().trimmed();
    if (name == m_set.rows[row].name)
        return;
    const int other = rowNamed(name);
    if (!CarParams::nameValid(name) || (other >= 0 && other != row)) {
        m_problem = mainTr("参数名“%1”不可用：需要 1 到 31 字节，不含空白、=、:、,，且不能重名。")
                        .arg(name);
        m_filling = true;
        item->setText(m_set.rows[row].name);
        m_filling = false;
    } else {
        m_set.rows[row].name = name;
        m_reported[size_t(row)] = {};
        showReported(row);
        m_problem.clear();
        emit rowsChanged();
    }
    showNote();
}

void ParameterView::onValueChanged(int row, double value)
{
    if (m_filling || row < 0)
        return;
    CarParameter &parameter = m_set.rows[row];
    parameter.value = value;
    {
        const QSignalBlocker blocker(m_widgets[row].slider);
        m_widgets[row].slider->setValue(sliderPosition(parameter));
    }
    compare(row);
    if (m_linkOpen)
        m_pacer.changed(row);
}

void ParameterView::onSliderMoved(int row, int position)
{
    if (m_filling || row < 0)
        return;
    const CarParameter &parameter = m_set.rows[row];
    const double value = parameter.minimum
                         + (parameter.maximum - parameter.minimum) * position
                               / sliderSteps(parameter);
    // The spin box rounds to the row's decimals and reports the change.
    const QSignalBlocker blocker(m_widgets[row].slider);
    m_widgets[row].value->setValue(std::min(value, parameter.maximum));
}

// The maximum is never below the minimum; a value outside the new limits
// is brought inside and sent.
void ParameterView::onLimitsEdited(int row)
{
    if (m_filling || row < 0)
        return;
    CarParameter &parameter = m_set.rows[row];
    const RowWidgets &widgets = m_widgets[row];
    parameter.minimum = widgets.minimum->value();
    parameter.maximum = std::max(widgets.maximum->value(), parameter.minimum);
    parameter.step = widgets.step->value();
    parameter.decimals = widgets.decimals->value();
    const double before = parameter.value;
    parameter.value = std::clamp(parameter.value, parameter.minimum, parameter.maximum);
    fillRow(row);
    parameter.value = widgets.value->value();
    showReported(row);
    compare(row);
    if (printed(before, parameter.decimals) != printed(parameter.value, parameter.decimals)
        && m_linkOpen)
        m_pacer.changed(row);
}

void ParameterView::addRow()
{
    if (m_set.rows.size() >= CarParameterSet::kMaxRows)
        return;
    CarParameter parameter;
    for (int number = 1; parameter.name.isEmpty(); ++number) {
        const QString name = QStringLiteral("p%1").arg(number);
        if (rowNamed(name) < 0)
            parameter.name = name;
    }
    m_set.rows.append(parameter);
    m_reported.emplace_back();
    rebuildTable();
    ui->car_param_table->setCurrentCell(m_set.rows.size() - 1, NameColumn);
}

// Values still waiting for their turn go out before the rows change under
// their numbers.
void ParameterView::removeRow()
{
    const int row = currentRow();
    if (row < 0)
        return;
    for (int index = 0; index < m_set.rows.size(); ++index) {
        if (m_pacer.pending(index))
            send(index);
    }
    m_pacer.cancelAll();
    m_set.rows.remove(row);
    m_reported.erase(m_reported.begin() + row);
    rebuildTable();
    if (!m_set.rows.isEmpty())
        ui->car_param_table->setCurrentCell(std::min(row, m_set.rows.size() - 1), NameColumn);
}

void ParameterView::moveRow(int by)
{
    const int row = currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_set.rows.size())
        return;
    for (int index = 0; index < m_set.rows.size(); ++index) {
        if (m_pacer.pending(index))
            send(index);
    }
    m_pacer.cancelAll();
    std::swap(m_set.rows[row], m_set.rows[to]);
    std::swap(m_reported[size_t(row)], m_reported[size_t(to)]);
    rebuildTable();
    ui->car_param_table->setCurrentCell(to, NameColumn);
}

int ParameterView::currentRow() const
{
    const int row = ui->car_param_table->currentRow();
    return row >= 0 && row < m_set.rows.size() ? row : -1;
}

int ParameterView::rowNamed(const QString &name) const
{
    for (int row = 0; row < m_set.rows.size(); ++row) {
        if (m_set.rows[row].name == name)
            return row;
    }
    return -1;
}

// ---- sending --------------------------------------------------------------------

void ParameterView::onModeChosen(int index)
{
    m_set.mode = index == 1 ? CarParameterSet::Mode::Binary : CarParameterSet::Mode::Text;
    ui->car_param_template->setEnabled(m_set.mode == CarParameterSet::Mode::Text);
    showNote();
}

// A template that does not make a message is kept in the field but not
// used: nothing is sent in text mode until it is mended.
void ParameterView::onTemplateEdited(const QString &text)
{
    QString problem;
    if (CarParams::templateValid(text, &problem)) {
        m_set.textTemplate = text;
        m_templateProblem.clear();
    } else {
        m_templateProblem = mainTr("模板有误，不发送：%1").arg(problem);
    }
    showNote();
}

void ParameterView::sendAll()
{
    m_pacer.cancelAll();
    for (int row = 0; row < m_set.rows.size(); ++row)
        send(row);
    showNote();
}

void ParameterView::send(int row)
{
    if (!m_linkOpen || row < 0 || row >= m_set.rows.size() || !m_writer)
        return;
    const CarParameter &parameter = m_set.rows[row];
    QByteArray bytes;
    if (m_set.mode == CarParameterSet::Mode::Binary) {
        bytes = CarParams::binaryMessage(row, parameter.value);
    } else {
        if (!m_templateProblem.isEmpty())
            return;
        bytes = CarParams::textMessage(m_set.textTemplate, parameter, row);
    }
    if (bytes.isEmpty())
        return;
    QString error;
    if (m_writer(bytes, &error)) {
        emit valueSent(row, parameter.value);
        if (!m_problem.isEmpty()) {
            m_problem.clear();
            showNote();
        }
        return;
    }
    m_problem = mainTr("发送失败：%1").arg(error);
    showNote();
}

// ---- what the car reports -------------------------------------------------------

void ParameterView::reportLabelled(const QStringList &names, const double *values, int count,
                                   unsigned labelled)
{
    if (m_set.rows.isEmpty())
        return;
    const int named = std::min({int(names.size()), count, 32});
    for (int index = 0; index < named; ++index) {
        if (!(labelled & (1u << index)))
            continue;
        const int row = rowNamed(names[index]);
        if (row >= 0)
            report(row, values[index]);
    }
}

void ParameterView::reportFrame(const char *payload, int length)
{
    int index = -1;
    double value = 0;
    if (CarParams::readBinaryPayload(payload, length, index, value) && index >= 0
        && index < m_set.rows.size())
        report(index, value);
}

void ParameterView::report(int row, double value)
{
    Reported &reported = m_reported[size_t(row)];
    if (reported.known && reported.value == value)
        return;
    reported.known = true;
    reported.value = value;
    compare(row);
    showReported(row);
}

bool ParameterView::reportedValue(int row, double *value) const
{
    if (row < 0 || row >= int(m_reported.size()) || !m_reported[size_t(row)].known)
        return false;
    *value = m_reported[size_t(row)].value;
    return true;
}

void ParameterView::setClock(ParameterClock clock)
{
    m_clock = clock;
    m_pacer.setClock(std::move(clock));
}

bool ParameterView::rowMarked(int row) const
{
    return row >= 0 && row < int(m_reported.size()) && m_reported[size_t(row)].marked;
}

// The values agree when they print alike with the row's decimals.
void ParameterView::compare(int row)
{
    Reported &reported = m_reported[size_t(row)];
    const int decimals = m_set.rows[row].decimals;
    const bool agree = !reported.known
                       || printed(reported.value, decimals)
                              == printed(m_set.rows[row].value, decimals);
    if (agree) {
        reported.differsSince = -1;
        if (reported.marked) {
            reported.marked = false;
            showReported(row);
        }
        return;
    }
    if (reported.differsSince < 0)
        reported.differsSince = m_clock();
    if (!reported.marked && !m_markTimer.isActive())
        m_markTimer.start();
}

void ParameterView::checkMarks()
{
    bool waiting = false;
    const qint64 now = m_clock();
    for (int row = 0; row < int(m_reported.size()); ++row) {
        Reported &reported = m_reported[size_t(row)];
        if (reported.differsSince < 0 || reported.marked)
            continue;
        if (now - reported.differsSince > kMarkAfterMs) {
            reported.marked = true;
            showReported(row);
        } else {
            waiting = true;
        }
    }
    if (!waiting)
        m_markTimer.stop();
}

void ParameterView::showReported(int row)
{
    QTableWidgetItem *item = ui->car_param_table->item(row, ReportedColumn);
    if (!item)
        return;
    const Reported &reported = m_reported[size_t(row)];
    item->setText(reported.known ? printed(reported.value, m_set.rows[row].decimals) : QString());
    item->setBackground(reported.marked ? QBrush(QColor(255, 190, 190)) : QBrush());
    item->setToolTip(reported.marked ? mainTr("小车回传的值与设定值不同已超过一秒。") : QString());
}

void ParameterView::showNote()
{
    QStringList lines;
    if (!m_templateProblem.isEmpty() && m_set.mode == CarParameterSet::Mode::Text)
        lines << m_templateProblem;
    if (!m_problem.isEmpty())
        lines << m_problem;
    if (!m_linkOpen)
        lines << mainTr("未打开数据源，不发送。");
    if (m_replies == Replies::None)
        lines << mainTr("“%1”不回传参数值。").arg(m_protocol);
    ui->car_param_note->setText(lines.join(QLatin1Char('\n')));
}

// ---- files ----------------------------------------------------------------------

void ParameterView::openSet()
{
    const QString path =
        m_dialogs.openFileName(this, mainTr("打开参数"), m_fileName, fileFilter());
    if (path.isEmpty())
        return;
    QString problem;
    const std::optional<CarParameterSet> set = CarParams::loadFile(path, &problem);
    if (!set) {
        m_dialogs.critical(this, mainTr("错误"), problem);
        return;
    }
    setParameterSet(*set);
    m_fileName = path;
    m_problem.clear();
    showNote();
}

void ParameterView::saveSet()
{
    const QString proposed =
        m_fileName.isEmpty() ? mainTr("参数") + QStringLiteral(".zparams") : m_fileName;
    QString path = m_dialogs.saveFileName(this, mainTr("保存参数"), proposed, fileFilter());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".zparams");
    QString error;
    if (!CarParams::saveFile(path, m_set, &error)) {
        m_dialogs.critical(this, mainTr("错误"), error);
        return;
    }
    m_fileName = path;
}
