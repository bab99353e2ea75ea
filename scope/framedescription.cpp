#include "framedescription.h"

#include "translation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <boost/crc.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace FrameFormat {

namespace {

// What a description may make us keep, whoever wrote it.
constexpr int kMaxJsonBytes = 64 * 1024;
constexpr int kMaxTypes = 64;
constexpr int kMaxFieldsPerType = 64;
constexpr int kMaxMatches = 16;
constexpr int kMaxHexBytes = 64;
constexpr int kMaxNameChars = 31;

// The bytes a frame needs before and after its middle for a set of parts:
// a part at a non-negative offset lies in the first `head` bytes, one at a
// negative offset in the last `tail`. The shortest frame holding them all is
// head + tail long.
struct Extent
{
    int head = 0;
    int tail = 0;

    void add(int at, int size)
    {
        if (at >= 0)
            head = std::max(head, at + size);
        else
            tail = std::max(tail, -at);
    }
    int bytes() const { return head + tail; }
};

Extent commonExtent(const Description &description)
{
    Extent extent;
    extent.add(0, description.header.size());
    if (description.length.fixed <= 0)
        extent.add(description.length.at, description.length.size);
    const Checksum &checksum = description.checksum;
    if (checksum.kind != ChecksumKind::None)
        extent.add(checksum.at, checksumBytes(checksum.kind));
    return extent;
}

int typeMinimum(const Extent &common, const Type &type)
{
    Extent extent = common;
    for (const Match &match : type.match)
        extent.add(match.at, match.bytes.size());
    for (const Field &field : type.fields)
        extent.add(field.at, fieldBytes(field.type));
    return extent.bytes();
}

int lengthFieldLimit(int size) { return size == 1 ? 0xff : 0xffff; }

int resolve(int at, int frameBytes) { return at < 0 ? frameBytes + at : at; }

// The checksum's range in a frame of that length, clamped to the frame.
void checksumRange(const Checksum &checksum, int frameBytes, int *from, int *to)
{
    *from = std::clamp(resolve(checksum.from, frameBytes), 0, frameBytes);
    *to = std::clamp(checksum.to <= 0 ? frameBytes + checksum.to : checksum.to, *from, frameBytes);
}

template <typename T>
T readAs(const char *at, bool bigEndian)
{
    return bigEndian ? qFromBigEndian<T>(at) : qFromLittleEndian<T>(at);
}

template <typename T>
void writeAs(char *at, T value, bool bigEndian)
{
    if (bigEndian)
        qToBigEndian<T>(value, at);
    else
        qToLittleEndian<T>(value, at);
}

quint32 readChecksum(const Checksum &checksum, const char *at)
{
    switch (checksumBytes(checksum.kind)) {
    case 1:
        return quint8(at[0]);
    case 2:
        // The sum goes first, then the sum of sums, whatever the endian.
        if (checksum.kind == ChecksumKind::Sum8Add8)
            return qFromLittleEndian<quint16>(at);
        return readAs<quint16>(at, checksum.bigEndian);
    case 4:
        return readAs<quint32>(at, checksum.bigEndian);
    default:
        return 0;
    }
}

void writeChecksum(const Checksum &checksum, char *at, quint32 value)
{
    switch (checksumBytes(checksum.kind)) {
    case 1:
        at[0] = char(value);
        break;
    case 2:
        if (checksum.kind == ChecksumKind::Sum8Add8)
            qToLittleEndian<quint16>(quint16(value), at);
        else
            writeAs<quint16>(at, quint16(value), checksum.bigEndian);
        break;
    case 4:
        writeAs<quint32>(at, value, checksum.bigEndian);
        break;
    default:
        break;
    }
}

template <typename T>
T clampedRaw(double raw)
{
    if constexpr (std::is_floating_point_v<T>) {
        return T(raw);
    } else {
        if (std::isnan(raw))
            return 0;
        const double rounded = std::round(raw);
        if (rounded <= double(std::numeric_limits<T>::min()))
            return std::numeric_limits<T>::min();
        if (rounded >= double(std::numeric_limits<T>::max()))
            return std::numeric_limits<T>::max();
        return T(rounded);
    }
}

void writeField(const Field &field, char *at, double value)
{
    const double raw = (value - field.offset) / field.scale;
    switch (field.type) {
    case FieldType::U8:
        *at = char(clampedRaw<quint8>(raw));
        break;
    case FieldType::I8:
        *at = char(clampedRaw<qint8>(raw));
        break;
    case FieldType::U16:
        writeAs<quint16>(at, clampedRaw<quint16>(raw), field.bigEndian);
        break;
    case FieldType::I16:
        writeAs<qint16>(at, clampedRaw<qint16>(raw), field.bigEndian);
        break;
    case FieldType::U32:
        writeAs<quint32>(at, clampedRaw<quint32>(raw), field.bigEndian);
        break;
    case FieldType::I32:
        writeAs<qint32>(at, clampedRaw<qint32>(raw), field.bigEndian);
        break;
    case FieldType::F32: {
        const float number = clampedRaw<float>(raw);
        quint32 bits;
        std::memcpy(&bits, &number, sizeof bits);
        writeAs<quint32>(at, bits, field.bigEndian);
        break;
    }
    case FieldType::F64: {
        quint64 bits;
        std::memcpy(&bits, &raw, sizeof bits);
        writeAs<quint64>(at, bits, field.bigEndian);
        break;
    }
    }
}

} // namespace

int fieldBytes(FieldType type)
{
    switch (type) {
    case FieldType::U8:
    case FieldType::I8:
        return 1;
    case FieldType::U16:
    case FieldType::I16:
        return 2;
    case FieldType::U32:
    case FieldType::I32:
    case FieldType::F32:
        return 4;
    case FieldType::F64:
        return 8;
    }
    return 1;
}

int checksumBytes(ChecksumKind kind)
{
    switch (kind) {
    case ChecksumKind::None:
        return 0;
    case ChecksumKind::Xor8:
    case ChecksumKind::Sum8:
    case ChecksumKind::Crc8:
        return 1;
    case ChecksumKind::Crc16Modbus:
    case ChecksumKind::Crc16CcittFalse:
    case ChecksumKind::Crc16Xmodem:
    case ChecksumKind::Sum8Add8:
        return 2;
    case ChecksumKind::Crc32:
        return 4;
    }
    return 0;
}

quint32 checksum(ChecksumKind kind, const char *bytes, int size)
{
    const auto crc = [bytes, size](auto engine) {
        engine.process_bytes(bytes, size_t(std::max(size, 0)));
        return quint32(engine.checksum());
    };
    switch (kind) {
    case ChecksumKind::None:
        return 0;
    case ChecksumKind::Xor8: {
        quint8 value = 0;
        for (int i = 0; i < size; ++i)
            value ^= quint8(bytes[i]);
        return value;
    }
    case ChecksumKind::Sum8: {
        quint8 value = 0;
        for (int i = 0; i < size; ++i)
            value = quint8(value + quint8(bytes[i]));
        return value;
    }
    case ChecksumKind::Sum8Add8: {
        quint8 sum = 0;
        quint8 sumOfSums = 0;
        for (int i = 0; i < size; ++i) {
            sum = quint8(sum + quint8(bytes[i]));
            sumOfSums = quint8(sumOfSums + sum);
        }
        return quint32(sum) | quint32(sumOfSums) << 8;
    }
    case ChecksumKind::Crc8:
        return crc(boost::crc_optimal<8, 0x07, 0, 0, false, false>());
    case ChecksumKind::Crc16Modbus:
        return crc(boost::crc_optimal<16, 0x8005, 0xffff, 0, true, true>());
    case ChecksumKind::Crc16CcittFalse:
        return crc(boost::crc_optimal<16, 0x1021, 0xffff, 0, false, false>());
    case ChecksumKind::Crc16Xmodem:
        return crc(boost::crc_optimal<16, 0x1021, 0, 0, false, false>());
    case ChecksumKind::Crc32:
        return crc(boost::crc_32_type());
    }
    return 0;
}

int Description::minimumFrameBytes() const
{
    if (length.fixed > 0)
        return length.fixed;
    const Extent common = commonExtent(*this);
    int shortest = types.empty() ? common.bytes() : std::numeric_limits<int>::max();
    for (const Type &type : types)
        shortest = std::min(shortest, typeMinimum(common, type));
    return std::max({shortest, length.add, 1});
}

int Description::maximumFrameBytes() const
{
    if (length.fixed > 0)
        return length.fixed;
    return std::min(kMaxFrameBytes, lengthFieldLimit(length.size) + length.add);
}

QString Refusal::text() const
{
    return field.isEmpty() ? reason : field + QStringLiteral("：") + reason;
}

// ---- reading a description -------------------------------------------------

namespace {

// Thrown by the readers below and caught in parse(): the first refusal ends it.
struct Refused
{
    Refusal refusal;
};

[[noreturn]] void refuse(const QString &field, const QString &reason)
{
    throw Refused{{field, reason}};
}

QString indexed(const QString &path, int index)
{
    return path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}

QString keyPath(const QString &parent, const char *key)
{
    return parent.isEmpty() ? QString::fromLatin1(key) : parent + QLatin1Char('.') + QLatin1String(key);
}

// An object's key, read under its path.
class Reading
{
public:
    Reading(const QJsonObject &object, QString path) : m_object(object), m_path(std::move(path)) {}

    QString path(const char *key) const { return keyPath(m_path, key); }
    bool has(const char *key) const { return m_object.contains(QLatin1String(key)); }
    QJsonValue value(const char *key) const { return m_object.value(QLatin1String(key)); }

    QString text(const char *key, bool required) const
    {
        const QJsonValue value = this->value(key);
        if (value.isUndefined() && !required)
            return QString();
        if (value.isUndefined())
            refuse(path(key), mainTr("缺少此项"));
        if (!value.isString())
            refuse(path(key), mainTr("应为文本"));
        return value.toString();
    }

    int integer(const char *key, int fallback, int lowest, int highest) const
    {
        const QJsonValue value = this->value(key);
        if (value.isUndefined())
            return fallback;
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || !std::isfinite(number) || number != std::floor(number)
            || number < lowest || number > highest)
            refuse(path(key), mainTr("应为 %1 到 %2 之间的整数").arg(lowest).arg(highest));
        return int(number);
    }

    double number(const char *key, double fallback) const
    {
        const QJsonValue value = this->value(key);
        if (value.isUndefined())
            return fallback;
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || !std::isfinite(number))
            refuse(path(key), mainTr("应为有限的数"));
        return number;
    }

    QByteArray hex(const char *key, bool required) const
    {
        const QString text = this->text(key, required);
        QByteArray bytes;
        for (const QString &group : text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QByteArray digits = group.toLatin1();
            const bool allHex = std::all_of(digits.begin(), digits.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            });
            if (!allHex || digits.size() % 2 != 0)
                refuse(path(key), mainTr("应为十六进制字节，如 \"AA 55\""));
            bytes += QByteArray::fromHex(digits);
        }
        if (bytes.size() > kMaxHexBytes)
            refuse(path(key), mainTr("最多 %1 个字节").arg(kMaxHexBytes));
        if (required && bytes.isEmpty())
            refuse(path(key), mainTr("不能为空"));
        return bytes;
    }

    bool bigEndian(const char *key) const
    {
        const QString endian = text(key, false);
        if (endian.isEmpty() || endian == QLatin1String("little"))
            return false;
        if (endian == QLatin1String("big"))
            return true;
        refuse(path(key), mainTr("应为 \"little\" 或 \"big\""));
    }

    QJsonObject object(const char *key) const
    {
        const QJsonValue value = this->value(key);
        if (!value.isObject())
            refuse(path(key), value.isUndefined() ? mainTr("缺少此项") : mainTr("应为对象"));
        return value.toObject();
    }

    QJsonArray array(const char *key, bool required, int most) const
    {
        const QJsonValue value = this->value(key);
        if (value.isUndefined() && !required)
            return QJsonArray();
        if (!value.isArray())
            refuse(path(key), value.isUndefined() ? mainTr("缺少此项") : mainTr("应为数组"));
        const QJsonArray array = value.toArray();
        if (array.size() > most)
            refuse(path(key), mainTr("最多 %1 项").arg(most));
        return array;
    }

private:
    QJsonObject m_object;
    QString m_path;
};

QJsonObject elementObject(const QJsonValue &value, const QString &path)
{
    if (!value.isObject())
        refuse(path, mainTr("应为对象"));
    return value.toObject();
}

// Offsets reach at most a whole frame either way.
constexpr int kOffsetMin = -kMaxFrameBytes;
constexpr int kOffsetMax = kMaxFrameBytes;

// A part of `size` bytes at `at` must not stick out of the frame's end.
int readOffset(const Reading &reading, const char *key, int fallback, int size)
{
    const int at = reading.integer(key, fallback, kOffsetMin, kOffsetMax);
    if (at < 0 && at + size > 0)
        refuse(reading.path(key), mainTr("超出帧尾"));
    return at;
}

Length readLength(const Reading &top)
{
    const Reading reading(top.object("length"), top.path("length"));
    Length length;
    if (reading.has("fixed")) {
        length.fixed = reading.integer("fixed", 0, 1, kMaxFrameBytes);
        return length;
    }
    if (!reading.has("size") && !reading.has("at"))
        refuse(top.path("length"), mainTr("应为 {\"fixed\": 帧长} 或长度字段（at、size）"));
    length.size = reading.integer("size", 1, 1, 2);
    length.at = reading.integer("at", 0, 0, kOffsetMax);
    length.bigEndian = reading.bigEndian("endian");
    length.add = reading.integer("add", 0, kOffsetMin, kOffsetMax);
    return length;
}

FieldType readFieldType(const Reading &reading)
{
    static const char *const kNames[] = {"u8", "i8", "u16", "i16", "u32", "i32", "f32", "f64"};
    const QString name = reading.text("type", true);
    for (int i = 0; i < int(std::size(kNames)); ++i) {
        if (name == QLatin1String(kNames[i]))
            return FieldType(i);
    }
    refuse(reading.path("type"), mainTr("未知的字段类型（可用 u8、i8、u16、i16、u32、i32、f32、f64）"));
}

ChecksumKind readChecksumKind(const Reading &reading)
{
    static const char *const kNames[] = {"none",          "xor8",           "sum8",
                                         "crc8",          "crc16-modbus",   "crc16-ccitt-false",
                                         "crc16-xmodem",  "crc32",          "sum8+add8"};
    const QString name = reading.text("kind", true);
    for (int i = 0; i < int(std::size(kNames)); ++i) {
        if (name == QLatin1String(kNames[i]))
            return ChecksumKind(i);
    }
    refuse(reading.path("kind"), mainTr("未知的校验方式"));
}

Field readField(const Reading &reading, QStringList *channels)
{
    Field field;
    field.name = reading.text("name", true).trimmed();
    if (field.name.isEmpty() || field.name.size() > kMaxNameChars)
        refuse(reading.path("name"), mainTr("应为 1 到 %1 个字符").arg(kMaxNameChars));
    field.type = readFieldType(reading);
    field.at = readOffset(reading, "at", 0, fieldBytes(field.type));
    if (!reading.has("at"))
        refuse(reading.path("at"), mainTr("缺少此项"));
    field.bigEndian = reading.bigEndian("endian");
    field.scale = reading.number("scale", 1);
    if (field.scale == 0)
        refuse(reading.path("scale"), mainTr("不能为 0"));
    field.offset = reading.number("offset", 0);
    field.channel = int(channels->indexOf(field.name));
    if (field.channel < 0) {
        if (channels->size() >= kMaxChannels)
            refuse(reading.path("name"), mainTr("通道最多 %1 个").arg(kMaxChannels));
        field.channel = int(channels->size());
        channels->append(field.name);
    }
    return field;
}

Type readType(const Reading &reading, QStringList *channels)
{
    Type type;
    type.name = reading.text("name", false);
    const QJsonArray matches = reading.array("match", false, kMaxMatches);
    for (int i = 0; i < matches.size(); ++i) {
        const QString path = indexed(reading.path("match"), i);
        const Reading match(elementObject(matches.at(i), path), path);
        Match entry;
        entry.bytes = match.hex("is", true);
        entry.at = readOffset(match, "at", 0, entry.bytes.size());
        type.match.push_back(entry);
    }
    const QJsonArray fields = reading.array("fields", true, kMaxFieldsPerType);
    for (int i = 0; i < fields.size(); ++i) {
        const QString path = indexed(reading.path("fields"), i);
        type.fields.push_back(readField(Reading(elementObject(fields.at(i), path), path), channels));
    }
    return type;
}

Checksum readChecksum(const Reading &top)
{
    Checksum checksum;
    if (!top.has("checksum"))
        return checksum;
    const Reading reading(top.object("checksum"), top.path("checksum"));
    checksum.kind = readChecksumKind(reading);
    if (checksum.kind == ChecksumKind::None)
        return checksum;
    const int size = checksumBytes(checksum.kind);
    checksum.at = readOffset(reading, "at", -size, size);
    checksum.from = reading.integer("from", 0, kOffsetMin, kOffsetMax);
    checksum.to = reading.integer("to", checksum.at, kOffsetMin, kOffsetMax);
    checksum.bigEndian = reading.bigEndian("endian");
    return checksum;
}

bool overlaps(int from, int to, int at, int size) { return from < at + size && at < to; }

// Whether a part lies inside a frame of that length.
bool inside(int at, int size, int frameBytes)
{
    const int start = resolve(at, frameBytes);
    return start >= 0 && start + size <= frameBytes;
}

// The frame lengths at which the checksum's range and bytes are to be
// checked. Each bound is fixed or moves with the frame's end, so how two
// bounds compare changes only where a fixed one and a moving one cross: the
// shortest and longest frame and the lengths around each crossing cover
// every case.
std::vector<int> lengthsToCheck(const Checksum &checksum, int shortest, int longest)
{
    struct Bound
    {
        int at;
        bool moves;
    };
    const int size = checksumBytes(checksum.kind);
    const Bound bounds[] = {{checksum.from, checksum.from < 0},
                            {checksum.to, checksum.to <= 0},
                            {checksum.at, checksum.at < 0},
                            {checksum.at + size, checksum.at < 0}};
    std::vector<int> lengths = {shortest, longest};
    for (const Bound &fixed : bounds) {
        for (const Bound &moving : bounds) {
            if (fixed.moves || !moving.moves)
                continue;
            const int crossing = fixed.at - moving.at;
            for (const int length : {crossing - 1, crossing, crossing + 1}) {
                if (length > shortest && length < longest)
                    lengths.push_back(length);
            }
        }
    }
    return lengths;
}

// What only the whole description can tell: every part inside the frames
// the length allows, the checksum's range sound.
void checkLayout(const Description &description)
{
    const int shortest = description.minimumFrameBytes();
    const int longest = description.maximumFrameBytes();
    const Length &length = description.length;
    if (length.fixed > 0) {
        if (length.fixed < description.header.size())
            refuse(QStringLiteral("length.fixed"), mainTr("比帧头还短"));
    } else if (length.at < description.header.size()) {
        refuse(QStringLiteral("length.at"), mainTr("与帧头重叠"));
    } else if (longest < shortest) {
        refuse(QStringLiteral("length.add"),
               mainTr("长度字段表示不了最短的帧（%1 字节）").arg(shortest));
    }
    // A type's frames are at least as long as its parts need.
    const Extent common = commonExtent(description);
    for (int t = 0; t < int(description.types.size()); ++t) {
        const Type &type = description.types[size_t(t)];
        const QString typePath = indexed(QStringLiteral("types"), t);
        const int typeShortest = length.fixed > 0 ? length.fixed : typeMinimum(common, type);
        if (typeShortest > longest)
            refuse(typePath, mainTr("至少 %1 字节，长于长度字段所能表示的").arg(typeShortest));
        for (int m = 0; m < int(type.match.size()); ++m) {
            if (!inside(type.match[size_t(m)].at, type.match[size_t(m)].bytes.size(), typeShortest))
                refuse(indexed(typePath + QStringLiteral(".match"), m) + QStringLiteral(".at"),
                       mainTr("不在最短的帧（%1 字节）内").arg(typeShortest));
        }
        for (int f = 0; f < int(type.fields.size()); ++f) {
            const Field &field = type.fields[size_t(f)];
            if (!inside(field.at, fieldBytes(field.type), typeShortest))
                refuse(indexed(typePath + QStringLiteral(".fields"), f) + QStringLiteral(".at"),
                       mainTr("不在最短的帧（%1 字节）内").arg(typeShortest));
        }
    }
    const Checksum &checksum = description.checksum;
    if (checksum.kind == ChecksumKind::None)
        return;
    const int size = checksumBytes(checksum.kind);
    if (!inside(checksum.at, size, shortest))
        refuse(QStringLiteral("checksum.at"), mainTr("不在最短的帧（%1 字节）内").arg(shortest));
    for (const int frameBytes : lengthsToCheck(checksum, shortest, longest)) {
        const int from = resolve(checksum.from, frameBytes);
        const int to = checksum.to <= 0 ? frameBytes + checksum.to : checksum.to;
        if (from < 0 || from > frameBytes)
            refuse(QStringLiteral("checksum.from"), mainTr("超出帧的范围"));
        if (to > frameBytes || to <= from)
            refuse(QStringLiteral("checksum.to"), mainTr("校验范围为空或超出帧"));
        const int at = resolve(checksum.at, frameBytes);
        if (overlaps(from, to, at, size))
            refuse(QStringLiteral("checksum.at"), mainTr("校验值落在自己的校验范围内"));
        if (overlaps(0, description.header.size(), at, size)
            || (length.fixed <= 0 && overlaps(length.at, length.at + length.size, at, size)))
            refuse(QStringLiteral("checksum.at"), mainTr("与帧头或长度字段重叠"));
    }
}

Description readDescription(const QByteArray &json)
{
    if (json.size() > kMaxJsonBytes)
        refuse(QString(), mainTr("描述太大（最多 %1 KiB）").arg(kMaxJsonBytes / 1024));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(QString(), mainTr("不是有效的 JSON（第 %1 个字符附近）").arg(error.offset + 1));
    if (!document.isObject())
        refuse(QString(), mainTr("应为一个 JSON 对象"));
    const Reading top(document.object(), QString());
    if (top.text("format", true) != QLatin1String("zentrik-frame"))
        refuse(top.path("format"), mainTr("应为 \"zentrik-frame\""));
    if (!top.has("version"))
        refuse(top.path("version"), mainTr("缺少此项"));
    if (top.value("version") != QJsonValue(1))
        refuse(top.path("version"), mainTr("只认得版本 1"));

    Description description;
    description.name = top.text("name", false).left(kMaxNameChars * 2);
    description.header = top.hex("header", true);
    description.trailer = top.hex("trailer", false);
    description.length = readLength(top);
    const QJsonArray types = top.array("types", true, kMaxTypes);
    if (types.isEmpty())
        refuse(top.path("types"), mainTr("至少要有一种帧"));
    for (int i = 0; i < types.size(); ++i) {
        const QString path = indexed(top.path("types"), i);
        description.types.push_back(
            readType(Reading(elementObject(types.at(i), path), path), &description.channels));
    }
    if (description.channels.isEmpty())
        refuse(top.path("types"), mainTr("没有任何字段"));
    description.checksum = readChecksum(top);
    checkLayout(description);
    return description;
}

} // namespace

bool parse(const QByteArray &json, Description *out, Refusal *refusal)
{
    try {
        *out = readDescription(json);
        return true;
    } catch (const Refused &refused) {
        if (refusal)
            *refusal = refused.refusal;
        return false;
    }
}

// ---- reading frames --------------------------------------------------------

Reader::Reader(const Description &description)
    : m_description(description),
      m_minimum(description.minimumFrameBytes()),
      m_maximum(description.maximumFrameBytes())
{
    // Every part of a fixed frame was checked to lie inside it.
    const Length &length = description.length;
    const Extent common = commonExtent(description);
    for (const Type &type : description.types)
        m_typeMinimum.push_back(length.fixed > 0 ? length.fixed : typeMinimum(common, type));
    m_lengthNeeded = std::max<int>(description.header.size(),
                                   length.fixed > 0 ? 0 : length.at + length.size);
}

int Reader::frameBytes(const char *frame) const
{
    const Length &length = m_description.length;
    if (length.fixed > 0)
        return length.fixed;
    const char *at = frame + length.at;
    const int value = length.size == 1 ? quint8(*at) : readAs<quint16>(at, length.bigEndian);
    return value + length.add;
}

int Reader::typeOf(const char *frame, int frameBytes) const
{
    const std::vector<Type> &types = m_description.types;
    for (size_t t = 0; t < types.size(); ++t) {
        if (frameBytes < m_typeMinimum[t])
            continue;
        const bool matches = std::all_of(types[t].match.begin(), types[t].match.end(), [&](const Match &match) {
            return std::memcmp(frame + resolve(match.at, frameBytes), match.bytes.constData(),
                               size_t(match.bytes.size())) == 0;
        });
        if (matches)
            return int(t);
    }
    return -1;
}

bool Reader::checksumHolds(const char *frame, int frameBytes, quint32 *computed, quint32 *found) const
{
    const Checksum &sum = m_description.checksum;
    if (sum.kind == ChecksumKind::None)
        return true;
    int from;
    int to;
    checksumRange(sum, frameBytes, &from, &to);
    const quint32 mine = checksum(sum.kind, frame + from, to - from);
    const int at = resolve(sum.at, frameBytes);
    const quint32 theirs = at >= 0 && at + checksumBytes(sum.kind) <= frameBytes
                               ? readChecksum(sum, frame + at)
                               : ~mine;
    if (computed)
        *computed = mine;
    if (found)
        *found = theirs;
    return mine == theirs;
}

int Reader::offsetOf(const Field &field, int frameBytes) { return resolve(field.at, frameBytes); }

double Reader::valueOf(const Field &field, const char *frame, int frameBytes)
{
    const char *at = frame + offsetOf(field, frameBytes);
    double raw = 0;
    switch (field.type) {
    case FieldType::U8:
        raw = quint8(*at);
        break;
    case FieldType::I8:
        raw = qint8(*at);
        break;
    case FieldType::U16:
        raw = readAs<quint16>(at, field.bigEndian);
        break;
    case FieldType::I16:
        raw = readAs<qint16>(at, field.bigEndian);
        break;
    case FieldType::U32:
        raw = readAs<quint32>(at, field.bigEndian);
        break;
    case FieldType::I32:
        raw = readAs<qint32>(at, field.bigEndian);
        break;
    case FieldType::F32: {
        const quint32 bits = readAs<quint32>(at, field.bigEndian);
        float number;
        std::memcpy(&number, &bits, sizeof number);
        raw = number;
        break;
    }
    case FieldType::F64: {
        const quint64 bits = readAs<quint64>(at, field.bigEndian);
        std::memcpy(&raw, &bits, sizeof raw);
        break;
    }
    }
    return raw * field.scale + field.offset;
}

// ---- one frame -------------------------------------------------------------

Inspection inspect(const Description &description, const QByteArray &frame)
{
    using Verdict = Inspection::Verdict;
    const Reader reader(description);
    Inspection result;
    const int size = frame.size();
    const char *bytes = frame.constData();
    const QByteArray &header = description.header;
    if (std::memcmp(bytes, header.constData(), size_t(std::min(size, int(header.size())))) != 0) {
        result.verdict = Verdict::BadHeader;
        return result;
    }
    if (size < reader.lengthBytesNeeded())
        return result; // too short
    const int frameBytes = reader.frameBytes(bytes);
    result.frameBytes = frameBytes;
    if (frameBytes > reader.maximumFrameBytes()) {
        result.verdict = Verdict::Oversized;
        return result;
    }
    if (frameBytes < reader.minimumFrameBytes()) {
        result.verdict = Verdict::BadLength;
        return result;
    }
    if (size < frameBytes + description.trailer.size())
        return result;

    result.typeIndex = reader.typeOf(bytes, frameBytes);
    if (result.typeIndex >= 0) {
        const std::vector<Field> &fields = description.types[size_t(result.typeIndex)].fields;
        for (int i = 0; i < int(fields.size()); ++i) {
            const Field &field = fields[size_t(i)];
            result.fields.push_back({i, Reader::offsetOf(field, frameBytes), fieldBytes(field.type),
                                     Reader::valueOf(field, bytes, frameBytes)});
        }
    }
    const bool checksumGood = reader.checksumHolds(bytes, frameBytes, &result.computed, &result.found);
    if (description.checksum.kind != ChecksumKind::None)
        result.checksumOffset = resolve(description.checksum.at, frameBytes);

    const QByteArray &trailer = description.trailer;
    if (std::memcmp(bytes + frameBytes, trailer.constData(), size_t(trailer.size())) != 0)
        result.verdict = Verdict::BadTrailer;
    else if (!checksumGood)
        result.verdict = Verdict::BadChecksum;
    else if (result.typeIndex < 0)
        result.verdict = Verdict::UnknownType;
    else
        result.verdict = Verdict::Good;
    return result;
}

QString verdictText(Inspection::Verdict verdict)
{
    using Verdict = Inspection::Verdict;
    switch (verdict) {
    case Verdict::Good:
        return mainTr("正确");
    case Verdict::TooShort:
        return mainTr("帧不完整");
    case Verdict::BadHeader:
        return mainTr("帧头不符");
    case Verdict::BadLength:
        return mainTr("长度比最短的帧还短");
    case Verdict::Oversized:
        return mainTr("长度超出上限");
    case Verdict::BadTrailer:
        return mainTr("帧尾不符");
    case Verdict::BadChecksum:
        return mainTr("校验错误");
    case Verdict::UnknownType:
        return mainTr("不属于任何一种帧");
    }
    return QString();
}

QByteArray encode(const Description &description, int typeIndex, const double *values)
{
    if (typeIndex < 0 || typeIndex >= int(description.types.size()))
        return QByteArray();
    const Type &type = description.types[size_t(typeIndex)];
    const Length &length = description.length;
    const int frameBytes = length.fixed > 0
                               ? length.fixed
                               : std::max(typeMinimum(commonExtent(description), type), length.add);
    QByteArray frame(frameBytes, '\0');
    char *bytes = frame.data();
    for (const Field &field : type.fields)
        writeField(field, bytes + resolve(field.at, frameBytes), values[field.channel]);
    for (const Match &match : type.match)
        std::memcpy(bytes + resolve(match.at, frameBytes), match.bytes.constData(), size_t(match.bytes.size()));
    if (length.fixed <= 0) {
        const int value = frameBytes - length.add;
        if (length.size == 1)
            bytes[length.at] = char(value);
        else
            writeAs<quint16>(bytes + length.at, quint16(value), length.bigEndian);
    }
    std::memcpy(bytes, description.header.constData(), size_t(description.header.size()));
    const Checksum &sum = description.checksum;
    if (sum.kind != ChecksumKind::None) {
        int from;
        int to;
        checksumRange(sum, frameBytes, &from, &to);
        writeChecksum(sum, bytes + resolve(sum.at, frameBytes), checksum(sum.kind, bytes + from, to - from));
    }
    return frame + description.trailer;
}

} // namespace FrameFormat
