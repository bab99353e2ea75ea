#include "frameview.h"

#include "customframedecoder.h"
#include "dialogs.h"
#include "hextext.h"
#include "translation.h"
#include "ui_frameview.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

namespace {

// What the page holds before the user ever applied one: an IMU sending a
// length byte, a type byte, two fields and a CRC-16/MODBUS.
const char kDefaultDescription[] = R"({
  "format": "zentrik-frame",
  "version": 1, "name": "imu",
  "header": "AA 55", "trailer": "",
  "length": {"at": 2, "size": 1,
    "endian": "little", "add": 6},
  "types": [{
    "name": "imu",
    "match": [{"at": 3, "is": "01"}],
    "fields": [
      {"name": "ax", "at": 4,
       "type": "i16",
       "endian": "little",
       "scale": 0.01, "offset": 0},
      {"name": "yaw", "at": 6,
       "type": "f32",
       "endian": "little"}
    ]}],
  "checksum": {"kind": "crc16-modbus",
    "from": 0, "to": -2, "at": -2,
    "endian": "little"}
}
)";

// The field table's columns.
enum Column {
    TypeColumn,
    FieldColumn,
    AtColumn,
    FieldTypeColumn,
    EndianColumn,
    ScaleColumn,
    OffsetColumn,
    ChannelColumn,
    ColumnCount
};

const char *const kFieldTypeNames[] = {"u8", "i8", "u16", "i16", "u32", "i32", "f32", "f64"};

// Light backgrounds the last frame marks its parts with: the header, the
// checksum, and one per channel.
const char kHeaderColour[] = "#d0d0d0";
const char kChecksumColour[] = "#ffc890";
const char *const kChannelColours[] = {"#a8d8ff", "#b8f0b0", "#ffb8b8", "#e0c8ff",
                                       "#fff0a0", "#a8f0e8", "#ffc8e8", "#d8e8b0"};
static_assert(std::size(kChannelColours) == FrameFormat::kMaxChannels);

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

QString checksumHex(quint32 value, FrameFormat::ChecksumKind kind)
{
    const int digits = FrameFormat::checksumBytes(kind) * 2;
    return QStringLiteral("0x")
           + QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

QString fileFilter()
{
    return mainTr("帧格式 (*.zframe);;所有文件 (*)");
}

} // namespace

FrameView::FrameView(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::FrameView>())
    , m_dialogs(dialogs)
{
    ui->setupUi(this);
    QFont fixed(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    ui->car_frame_json->setFont(fixed);
    ui->car_frame_last->setFont(fixed);
    for (QLabel *label : {ui->car_frame_error, ui->car_frame_testResult, ui->car_frame_counts})
        label->setTextFormat(Qt::PlainText);
    ui->car_frame_error->setStyleSheet(QStringLiteral("color: #c00000"));

    QTableWidget *table = ui->car_frame_fields;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({mainTr("帧类型"), mainTr("字段"), mainTr("位置"),
                                      mainTr("数据类型"), mainTr("字节序"), mainTr("比例"),
                                      mainTr("偏移"), mainTr("通道")});
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);

    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { refresh(); });
    connect(ui->car_frame_apply, &QPushButton::clicked, this, &FrameView::applyEditedText);
    connect(ui->car_frame_open, &QPushButton::clicked, this, &FrameView::openFile);
    connect(ui->car_frame_save, &QPushButton::clicked, this, &FrameView::saveFile);
    connect(ui->car_frame_test, &QLineEdit::textChanged, this, &FrameView::testPastedFrame);

    // The editing above, the table of fields below.
    ui->car_frame_layout->setStretch(0, 3);
    ui->car_frame_layout->setStretch(2, 2);
    ui->car_frame_columns->setStretch(0, 3);
    ui->car_frame_columns->setStretch(1, 2);

    applyText(QByteArray(kDefaultDescription));
}

FrameView::~FrameView() = default;

bool FrameView::applyText(const QByteArray &json, FrameFormat::Refusal *refusal)
{
    // Shown as the user would lay it out; a text that is no JSON as it is.
    const QJsonDocument document = QJsonDocument::fromJson(json);
    ui->car_frame_json->setPlainText(document.isObject() && json.count('\n') == 0
                                         ? QString::fromUtf8(document.toJson(QJsonDocument::Indented))
                                         : QString::fromUtf8(json));
    return takeIntoUse(json, refusal);
}

void FrameView::applyEditedText()
{
    const QString refused = m_guard ? m_guard() : QString();
    if (!refused.isEmpty()) {
        ui->car_frame_error->setText(refused);
        return;
    }
    takeIntoUse(ui->car_frame_json->toPlainText().toUtf8(), nullptr);
}

bool FrameView::takeIntoUse(const QByteArray &json, FrameFormat::Refusal *refusal)
{
    FrameFormat::Description description;
    FrameFormat::Refusal refused;
    if (!FrameFormat::parse(json, &description, &refused)) {
        ui->car_frame_error->setText(
            mainTr("未应用：%1。仍使用“%2”。").arg(refused.text(), m_description.name));
        if (refusal)
            *refusal = refused;
        return false;
    }
    m_description = std::move(description);
    m_applied = QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
    m_appliedSource = json;
    ui->car_frame_error->clear();
    showFields();
    testPastedFrame();
    ui->car_frame_last->clear();
    m_shownGood = -1;
    emit applied();
    return true;
}

void FrameView::showFields()
{
    ui->car_frame_fieldsLabel->setText(mainTr("在用的帧格式：“%1”，%2 个通道")
                                           .arg(m_description.name)
                                           .arg(m_description.channels.size()));
    QTableWidget *table = ui->car_frame_fields;
    table->setRowCount(0);
    for (const FrameFormat::Type &type : m_description.types) {
        for (const FrameFormat::Field &field : type.fields) {
            const int row = table->rowCount();
            table->insertRow(row);
            const bool multiByte = FrameFormat::fieldBytes(field.type) > 1;
            const QString texts[ColumnCount] = {
                type.name,
                field.name,
                QString::number(field.at),
                QLatin1String(kFieldTypeNames[int(field.type)]),
                !multiByte ? QStringLiteral("—") : field.bigEndian ? mainTr("大端") : mainTr("小端"),
                number(field.scale),
                number(field.offset),
                QString::number(field.channel + 1),
            };
            for (int column = 0; column < ColumnCount; ++column)
                table->setItem(row, column, new QTableWidgetItem(texts[column]));
        }
    }
    table->resizeColumnsToContents();
}

// Reads the pasted frame with the description in use: the verdict, each
// field's value and the checksum computed beside the one found.
void FrameView::testPastedFrame()
{
    const HexTextBytes pasted = hexTextToBytesReporting(ui->car_frame_test->text());
    if (pasted.bytes.isEmpty() && pasted.leftOut.isEmpty()) {
        ui->car_frame_testResult->clear();
        return;
    }
    const FrameFormat::Inspection seen = FrameFormat::inspect(m_description, pasted.bytes);
    QStringList lines;
    lines << FrameFormat::verdictText(seen.verdict);
    if (!pasted.leftOut.isEmpty())
        lines << mainTr("未读入：%1").arg(pasted.leftOut);
    if (seen.typeIndex >= 0 && seen.typeIndex < int(m_description.types.size())) {
        const FrameFormat::Type &type = m_description.types[size_t(seen.typeIndex)];
        lines << mainTr("帧类型：%1").arg(type.name);
        for (const FrameFormat::FieldValue &value : seen.fields)
            lines << QStringLiteral("%1 = %2").arg(type.fields[size_t(value.fieldIndex)].name,
                                                   number(value.value));
    }
    const FrameFormat::ChecksumKind kind = m_description.checksum.kind;
    if (kind != FrameFormat::ChecksumKind::None && seen.checksumOffset >= 0)
        lines << mainTr("校验：计算得 %1，帧中为 %2")
                     .arg(checksumHex(seen.computed, kind), checksumHex(seen.found, kind));
    ui->car_frame_testResult->setText(lines.join(QLatin1Char('\n')));
}

void FrameView::follow(const CustomFrameDecoder *decoder)
{
    if (m_decoder && !decoder)
        refresh(true);
    m_decoder = decoder;
    m_shownGood = -1;
    if (decoder) {
        refresh();
        m_refreshTimer.start();
    } else {
        m_refreshTimer.stop();
    }
}

void FrameView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

// Drawing the last frame costs more than the counters; nobody sees it while
// another page is in front.
void FrameView::refresh(bool hiddenToo)
{
    if (!m_decoder)
        return;
    const CustomFrameDecoder::Counts &counts = m_decoder->counts();
    ui->car_frame_counts->setText(
        mainTr("正确 %1 帧，校验错 %2，未知类型 %3，长度超限 %4，帧结构错 %5，无效数值 %6，跳过 %7 字节")
            .arg(counts.good)
            .arg(counts.badChecksum)
            .arg(counts.unknownType)
            .arg(counts.oversized)
            .arg(counts.badFraming)
            .arg(counts.nonFinite)
            .arg(counts.bytesSkipped));
    if (counts.good != m_shownGood && (hiddenToo || isVisible())) {
        m_shownGood = counts.good;
        showLastFrame(m_decoder->lastGoodFrame());
    }
}

// The frame's bytes in hex, each part on its own colour, and the fields'
// names beneath in their channel's colour. Only bytes and the names of the
// description in use go into the markup.
void FrameView::showLastFrame(const QByteArray &frame)
{
    if (frame.isEmpty()) {
        ui->car_frame_last->clear();
        return;
    }
    const FrameFormat::Inspection seen = FrameFormat::inspect(m_description, frame);
    std::vector<const char *> colours(size_t(frame.size()), nullptr);
    const auto mark = [&colours](int from, int size, const char *colour) {
        for (int at = std::max(0, from); at < from + size && at < int(colours.size()); ++at)
            colours[size_t(at)] = colour;
    };
    mark(0, m_description.header.size(), kHeaderColour);
    if (seen.checksumOffset >= 0)
        mark(seen.checksumOffset, FrameFormat::checksumBytes(m_description.checksum.kind),
             kChecksumColour);
    QString legend;
    if (seen.typeIndex >= 0 && seen.typeIndex < int(m_description.types.size())) {
        const FrameFormat::Type &type = m_description.types[size_t(seen.typeIndex)];
        for (const FrameFormat::FieldValue &value : seen.fields) {
            const FrameFormat::Field &field = type.fields[size_t(value.fieldIndex)];
            const char *colour = kChannelColours[field.channel % FrameFormat::kMaxChannels];
            mark(value.offset, value.size, colour);
            legend += QStringLiteral("<span style=\"background:%1\">%2 = %3</span> ")
                          .arg(QLatin1String(colour), field.name.toHtmlEscaped(),
                               number(value.value));
        }
    }
    QString html;
    const int shown = std::min(int(frame.size()), kMaxShownBytes);
    for (int at = 0; at < shown; ++at) {
        const QString byte =
            QString::number(quint8(frame[at]), 16).rightJustified(2, QLatin1Char('0')).toUpper();
        if (colours[size_t(at)])
            html += QStringLiteral("<span style=\"background:%1\">%2</span> ")
                        .arg(QLatin1String(colours[size_t(at)]), byte);
        else
            html += byte + QLatin1Char(' ');
    }
    if (shown < frame.size())
        html += mainTr("…（共 %1 字节）").arg(frame.size());
    ui->car_frame_last->setHtml(QStringLiteral("<p style=\"font-family:monospace\">%1</p><p>%2</p>")
                                    .arg(html, legend));
}

// ---- files ----------------------------------------------------------------------

void FrameView::openFile()
{
    const QString path =
        m_dialogs.openFileName(this, mainTr("打开帧格式"), m_fileName, fileFilter());
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("打开文件失败：%1").arg(file.errorString()));
        return;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("文件超过 %1 KiB，不是帧格式描述：%2")
                               .arg(kMaxFileBytes / 1024)
                               .arg(QFileInfo(path).fileName()));
        return;
    }
    m_fileName = path;
    ui->car_frame_json->setPlainText(QString::fromUtf8(bytes));
    applyEditedText();
}

void FrameView::saveFile()
{
    const QString proposed = m_fileName.isEmpty()
                                 ? (m_description.name.isEmpty() ? mainTr("帧格式") : m_description.name)
                                       + QStringLiteral(".zframe")
                                 : m_fileName;
    QString path = m_dialogs.saveFileName(this, mainTr("保存帧格式"), proposed, fileFilter());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".zframe");
    QSaveFile file(path);
    const QByteArray text = ui->car_frame_json->toPlainText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("保存失败：%1").arg(file.errorString()));
        return;
    }
    m_fileName = path;
}
