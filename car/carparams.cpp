#include "carparams.h"

#include "carframe.h"
#include "hiddentext.h"
#include "jsonkeys.h"
#include "textcodec.h"
#include "translation.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>

bool operator==(const CarParameter &a, const CarParameter &b)
{
    return a.name == b.name && a.value == b.value && a.minimum == b.minimum
           && a.maximum == b.maximum && a.step == b.step && a.decimals == b.decimals;
}

bool operator==(const CarParameterSet &a, const CarParameterSet &b)
{
    return a.rows == b.rows && a.textTemplate == b.textTemplate && a.mode == b.mode;
}

namespace {

const char kFormat[] = "zentrik-params";
constexpr int kVersion = 1;

void setProblem(QString *problem, const QString &text)
{
    if (problem)
        *problem = text;
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// What a template's pieces expand to, one piece at a time: literal text,
// a raw byte from an escape, or a placeholder.
struct TemplatePiece
{
    enum Kind { Text, Byte, Name, Value, Index } kind = Text;
    QString text;
    char byte = 0;
};

// The escape at text[at], a backslash: its byte and its length, or a
// length of 0 for an unknown one. "\x" takes one or two hex digits.
int escapeAt(const QString &text, int at, char *byte)
{
    static const char kSimple[][2] = {{'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'\\', '\\'},
                                      {'0', '\0'}, {'"', '"'},  {'\'', '\''}};
    const QChar e = at + 1 < text.size() ? text.at(at + 1) : QChar();
    for (const auto &simple : kSimple) {
        if (e == QLatin1Char(simple[0])) {
            *byte = simple[1];
            return 2;
        }
    }
    if (e != QLatin1Char('x'))
        return 0;
    int value = 0;
    int digits = 0;
    while (digits < 2 && at + 2 + digits < text.size() && hexDigit(text.at(at + 2 + digits)) >= 0) {
        value = value * 16 + hexDigit(text.at(at + 2 + digits));
        ++digits;
    }
    *byte = char(value);
    return digits > 0 ? 2 + digits : 0;
}

// The placeholder at text[at], a '%': its kind (Text for "%%") and its
// length, or a length of 0 for an unknown one.
int placeholderAt(const QString &text, int at, TemplatePiece::Kind *kind)
{
    static const struct
    {
        const char *word;
        TemplatePiece::Kind kind;
    } kWords[] = {{"%", TemplatePiece::Text},
                  {"name", TemplatePiece::Name},
                  {"value", TemplatePiece::Value},
                  {"index", TemplatePiece::Index}};
    const QStringRef rest = text.midRef(at + 1);
    for (const auto &word : kWords) {
        if (rest.startsWith(QLatin1String(word.word))) {
            *kind = word.kind;
            return 1 + int(std::strlen(word.word));
        }
    }
    return 0;
}

QString templateSizeProblem(const QString &text)
{
    if (text.isEmpty())
        return mainTr("发送模板为空");
    if (text.size() > CarParams::kMaxTemplateLength)
        return mainTr("发送模板超过 %1 个字符").arg(CarParams::kMaxTemplateLength);
    if (!text.isValidUtf16())
        return mainTr("发送模板含有无效字符");
    return {};
}

// Splits the template into pieces, or says what is wrong with it.
bool splitTemplate(const QString &text, QVector<TemplatePiece> *pieces, QString *problem)
{
    const QString sizeProblem = templateSizeProblem(text);
    if (!sizeProblem.isEmpty()) {
        setProblem(problem, sizeProblem);
        return false;
    }
    QString literal;
    const auto add = [&](const TemplatePiece &piece) {
        if (!literal.isEmpty() && pieces)
            pieces->append({TemplatePiece::Text, literal, 0});
        literal.clear();
        if (pieces && piece.kind != TemplatePiece::Text)
            pieces->append(piece);
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        TemplatePiece piece;
        int used = 1;
        if (c == QLatin1Char('%')) {
            used = placeholderAt(text, i, &piece.kind);
            if (used == 0) {
                setProblem(problem,
                           mainTr("发送模板第 %1 个字符：%后只能是 name、value、index 或 %").arg(i + 1));
                return false;
            }
            if (piece.kind == TemplatePiece::Text)
                literal.append(c);
            else
                add(piece);
        } else if (c == QLatin1Char('\\')) {
            used = escapeAt(text, i, &piece.byte);
            if (used == 0) {
                setProblem(problem, mainTr("发送模板第 %1 个字符：无效的转义序列").arg(i + 1));
                return false;
            }
            piece.kind = TemplatePiece::Byte;
            add(piece);
        } else {
            literal.append(c);
        }
        i += used - 1;
    }
    add(TemplatePiece());
    return true;
}

QJsonObject rowToJson(const CarParameter &row)
{
    return QJsonObject{
        {QStringLiteral("name"), row.name},   {QStringLiteral("value"), row.value},
        {QStringLiteral("min"), row.minimum}, {QStringLiteral("max"), row.maximum},
        {QStringLiteral("step"), row.step},   {QStringLiteral("decimals"), row.decimals}};
}

bool finiteNumber(const QJsonValue &value, double *out)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return false;
    *out = value.toDouble();
    return true;
}

// One row of the file, or a message naming the row (counted from 1).
std::optional<CarParameter> rowFromJson(const QJsonValue &value, int number, QString *problem)
{
    const QJsonObject object = value.toObject();
    CarParameter row;
    double decimals = 0;
    if (!value.isObject() || !finiteNumber(object.value(QLatin1String("value")), &row.value)
        || !finiteNumber(object.value(QLatin1String("min")), &row.minimum)
        || !finiteNumber(object.value(QLatin1String("max")), &row.maximum)
        || !finiteNumber(object.value(QLatin1String("step")), &row.step)
        || !finiteNumber(object.value(QLatin1String("decimals")), &decimals)) {
        setProblem(problem, mainTr("第 %1 个参数的数值缺失或无效").arg(number));
        return std::nullopt;
    }
    const QJsonValue name = object.value(QLatin1String("name"));
    row.name = name.toString();
    if (!name.isString() || !CarParams::nameValid(row.name)) {
        setProblem(problem,
                   mainTr("第 %1 个参数的名称无效：须为 1 到 %2 字节，不含空白、控制字符和 = : ,")
                       .arg(number)
                       .arg(CarParams::kMaxNameBytes));
        return std::nullopt;
    }
    if (std::abs(row.minimum) > CarParams::kMaxMagnitude
        || std::abs(row.maximum) > CarParams::kMaxMagnitude) {
        setProblem(problem, mainTr("参数 %1 的最小值和最大值须在 ±%2 以内")
                                .arg(row.name, QString::number(CarParams::kMaxMagnitude, 'g', 10)));
        return std::nullopt;
    }
    if (row.minimum > row.maximum) {
        setProblem(problem, mainTr("参数 %1 的最小值大于最大值").arg(row.name));
        return std::nullopt;
    }
    if (!(row.step >= CarParams::kMinStep && row.step <= CarParams::kMaxMagnitude)) {
        setProblem(problem, mainTr("参数 %1 的步长须在 %2 到 %3 之间")
                                .arg(row.name, QString::number(CarParams::kMinStep),
                                     QString::number(CarParams::kMaxMagnitude, 'g', 10)));
        return std::nullopt;
    }
    if (decimals < 0 || decimals > CarParams::kMaxDecimals || decimals != std::floor(decimals)) {
        // Both at once: a name may hold "%1" itself.
        setProblem(problem, mainTr("参数 %1 的小数位数须为 0 到 %2 的整数")
                                .arg(row.name, QString::number(CarParams::kMaxDecimals)));
        return std::nullopt;
    }
    row.decimals = int(decimals);
    row.value = std::clamp(row.value, row.minimum, row.maximum);
    return row;
}

std::optional<CarParameterSet> setFromObject(const QJsonObject &object, QString *problem)
{
    CarParameterSet set;
    const QString mode = object.value(QLatin1String("mode")).toString();
    if (mode == QLatin1String("text")) {
        set.mode = CarParameterSet::Mode::Text;
    } else if (mode == QLatin1String("binary")) {
        set.mode = CarParameterSet::Mode::Binary;
    } else {
        setProblem(problem, mainTr("参数文件的发送方式无效"));
        return std::nullopt;
    }
    const QJsonValue textTemplate = object.value(QLatin1String("template"));
    set.textTemplate = textTemplate.toString();
    QString templateProblem;
    if (!textTemplate.isString() || !CarParams::templateValid(set.textTemplate, &templateProblem)) {
        setProblem(problem, mainTr("参数文件的发送模板无效：%1").arg(templateProblem));
        return std::nullopt;
    }
    const QJsonValue rows = object.value(QLatin1String("rows"));
    if (!rows.isArray()) {
        setProblem(problem, mainTr("参数文件没有参数表"));
        return std::nullopt;
    }
    const QJsonArray array = rows.toArray();
    if (array.size() > CarParameterSet::kMaxRows) {
        setProblem(problem, mainTr("参数文件的参数超过 %1 个").arg(CarParameterSet::kMaxRows));
        return std::nullopt;
    }
    QSet<QString> names;
    for (int i = 0; i < array.size(); ++i) {
        std::optional<CarParameter> row = rowFromJson(array.at(i), i + 1, problem);
        if (!row)
            return std::nullopt;
        if (names.contains(row->name)) {
            setProblem(problem, mainTr("参数名称重复：%1").arg(row->name));
            return std::nullopt;
        }
        names.insert(row->name);
        set.rows.append(*row);
    }
    return set;
}

} // namespace

bool CarParams::templateValid(const QString &textTemplate, QString *problem)
{
    return splitTemplate(textTemplate, nullptr, problem);
}

namespace {

// The value as the row shows it; one that rounds to zero is "0.00", not
// "-0.00", whatever its sign.
QByteArray valueText(double value, int decimals)
{
    QByteArray text = QByteArray::number(value, 'f', decimals);
    if (text.startsWith('-')
        && std::none_of(text.cbegin(), text.cend(), [](char c) { return c >= '1' && c <= '9'; }))
        text.remove(0, 1);
    return text;
}

} // namespace

QByteArray CarParams::textMessage(const QString &textTemplate, const CarParameter &row, int index)
{
    QVector<TemplatePiece> pieces;
    if (!std::isfinite(row.value) || !splitTemplate(textTemplate, &pieces, nullptr))
        return {};
    const int decimals = std::clamp(row.decimals, 0, kMaxDecimals);
    QByteArray message;
    for (const TemplatePiece &piece : qAsConst(pieces)) {
        switch (piece.kind) {
        case TemplatePiece::Text: message += textToBytes(piece.text); break;
        case TemplatePiece::Byte: message += piece.byte; break;
        case TemplatePiece::Name: message += textToBytes(row.name); break;
        case TemplatePiece::Value: message += valueText(row.value, decimals); break;
        case TemplatePiece::Index: message += QByteArray::number(index); break;
        }
    }
    return message;
}

bool CarParams::nameValid(const QString &name)
{
    if (name.isEmpty() || !name.isValidUtf16() || textToBytes(name).size() > kMaxNameBytes)
        return false;
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7f || c.isSpace() || c == QLatin1Char('=')
            || c == QLatin1Char(':') || c == QLatin1Char(','))
            return false;
    }
    return !HiddenText::contains(name);
}

QByteArray CarParams::binaryMessage(int index, double value)
{
    if (index < 0 || index > 255 || !std::isfinite(value))
        return {};
    // A double beyond float's range would not convert: the car gets the
    // largest float of that sign instead.
    const float single = float(std::clamp(value, double(-FLT_MAX), double(FLT_MAX)));
    quint32 bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    QByteArray payload(kPayloadLength, '\0');
    payload[0] = char(index);
    qToLittleEndian(bits, payload.data() + 1);
    return CarLink::buildFrame(CarLink::Param, payload);
}

bool CarParams::readBinaryPayload(const char *payload, int length, int &index, double &value)
{
    if (!payload || length != kPayloadLength)
        return false;
    const quint32 bits = qFromLittleEndian<quint32>(payload + 1);
    float single = 0;
    std::memcpy(&single, &bits, sizeof single);
    if (!std::isfinite(single))
        return false;
    index = static_cast<unsigned char>(payload[0]);
    value = double(single);
    return true;
}

QByteArray CarParams::toJson(const CarParameterSet &set)
{
    QJsonArray rows;
    for (const CarParameter &row : set.rows)
        rows.append(rowToJson(row));
    const bool binary = set.mode == CarParameterSet::Mode::Binary;
    const QJsonObject object{
        {QStringLiteral("format"), QLatin1String(kFormat)},
        {QStringLiteral("version"), kVersion},
        {QStringLiteral("mode"), binary ? QStringLiteral("binary") : QStringLiteral("text")},
        {QStringLiteral("template"), set.textTemplate},
        {QStringLiteral("rows"), rows}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<CarParameterSet> CarParams::fromJson(const QByteArray &json, QString *problem)
{
    if (jsonRepeatsAKey(json)) {
        setProblem(problem, mainTr("参数文件已损坏：有重复的字段"));
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        setProblem(problem, mainTr("参数文件已损坏：不是有效的 JSON"));
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("format")).toString() != QLatin1String(kFormat)) {
        setProblem(problem, mainTr("不是参数文件"));
        return std::nullopt;
    }
    const QJsonValue version = object.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kVersion) {
        setProblem(problem, mainTr("参数文件的版本不受支持"));
        return std::nullopt;
    }
    return setFromObject(object, problem);
}

bool CarParams::saveFile(const QString &path, const CarParameterSet &set, QString *error)
{
    QSaveFile file(path);
    const QByteArray json = toJson(set);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        setProblem(error, mainTr("写入文件失败：%1").arg(path));
        return false;
    }
    return true;
}

std::optional<CarParameterSet> CarParams::loadFile(const QString &path, QString *problem)
{
    // A pipe or a device would hold the read (and the window) until someone
    // writes to it.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        setProblem(problem, mainTr("不是参数文件"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setProblem(problem, mainTr("打开文件失败：%1").arg(path));
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        setProblem(problem, mainTr("参数文件超过 1 MiB：%1").arg(path));
        return std::nullopt;
    }
    // One byte past the limit, so a file that grew meanwhile is refused too.
    const QByteArray json = file.read(kMaxFileSize + 1);
    if (json.size() > kMaxFileSize) {
        setProblem(problem, mainTr("参数文件超过 1 MiB：%1").arg(path));
        return std::nullopt;
    }
    return fromJson(json, problem);
}

qint64 parameterClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ParameterSendPacer::ParameterSendPacer(std::function<void(int index)> send, QObject *parent,
                                       ParameterClock clock)
    : QObject(parent)
    , m_send(std::move(send))
    , m_clock(std::move(clock))
{
}

ParameterSendPacer::~ParameterSendPacer() = default;

ParameterSendPacer::Slot &ParameterSendPacer::slot(int index)
{
    Slot &slot = m_slots[index];
    if (!slot.timer) {
        slot.timer = new QTimer(this);
        slot.timer->setSingleShot(true);
        slot.timer->setTimerType(Qt::PreciseTimer);
        connect(slot.timer, &QTimer::timeout, this, [this, index] { sendNow(index); });
    }
    return slot;
}

void ParameterSendPacer::changed(int index)
{
    if (index < 0)
        return;
    Slot &s = slot(index);
    if (s.timer->isActive())
        return; // the value is read when the timer fires
    const qint64 since =
        s.lastSentMs < 0 ? kIntervalMs : std::max<qint64>(0, m_clock() - s.lastSentMs);
    if (since >= kIntervalMs)
        sendNow(index);
    else
        s.timer->start(int(kIntervalMs - since));
}

void ParameterSendPacer::sendNow(int index)
{
    m_slots[index].lastSentMs = m_clock();
    m_send(index);
}

void ParameterSendPacer::cancelAll()
{
    for (Slot &s : m_slots)
        s.timer->stop();
}

bool ParameterSendPacer::pending(int index) const
{
    const auto it = m_slots.constFind(index);
    return it != m_slots.constEnd() && it->timer->isActive();
}
