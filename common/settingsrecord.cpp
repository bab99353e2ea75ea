#include "settingsrecord.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace {
constexpr int kImageWidthAt = 4;
constexpr int kImageHeightAt = 8;
constexpr int kTabOrderAt = 12;
constexpr int kCurrentTabAt = 18;
constexpr int kUartSerialAt = 19;
constexpr int kCarSerialAt = 24;
constexpr int kImageModeAt = 28;
constexpr int kCcdCountAt = 29;
constexpr int kChannelCountAt = 30;
constexpr int kSampleTypeAt = 31;
constexpr int kChannelShownAt = 32;
constexpr int kChannelNamesAt = 40;
constexpr int kChannelNameField = 32;
constexpr int kGsmSerialAt = 296;
constexpr int kGsmLocalPortAt = 300;
constexpr int kGsmServerPortAt = 304;
constexpr int kGsmAddressAt = 308;

qint32 int32At(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

void putInt32(QByteArray &bytes, int at, qint32 value)
{
    qToLittleEndian<qint32>(value, bytes.data() + at);
}

quint8 byteAt(const QByteArray &bytes, int at)
{
    return quint8(bytes.at(at));
}

// The text of a field, up to its first zero byte or the field's end.
QByteArray textAt(const QByteArray &bytes, int at, int field)
{
    const QByteArray whole = bytes.mid(at, field);
    const int end = whole.indexOf('\0');
    return end < 0 ? whole : whole.left(end);
}

void putText(QByteArray &bytes, int at, const QByteArray &text, int maxBytes)
{
    const QByteArray cut = text.left(maxBytes);
    bytes.replace(at, cut.size(), cut);
}

template<size_t N>
void readBytes(const QByteArray &bytes, int at, std::array<quint8, N> &values)
{
    for (size_t i = 0; i < N; ++i)
        values[i] = byteAt(bytes, at + int(i));
}

template<size_t N>
void putBytes(QByteArray &bytes, int at, const std::array<quint8, N> &values)
{
    for (size_t i = 0; i < N; ++i)
        bytes[at + int(i)] = char(values[i]);
}
} // namespace

std::optional<SettingsRecord> SettingsRecord::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() != kSize || int32At(bytes, 0) != kTag)
        return std::nullopt;
    SettingsRecord record;
    record.imageWidth = int32At(bytes, kImageWidthAt);
    record.imageHeight = int32At(bytes, kImageHeightAt);
    readBytes(bytes, kTabOrderAt, record.tabOrder);
    record.currentTab = byteAt(bytes, kCurrentTabAt);
    readBytes(bytes, kUartSerialAt, record.uartSerial);
    readBytes(bytes, kCarSerialAt, record.carSerial);
    record.imageMode = byteAt(bytes, kImageModeAt);
    record.ccdCount = byteAt(bytes, kCcdCountAt);
    record.channelCount = byteAt(bytes, kChannelCountAt);
    record.sampleType = byteAt(bytes, kSampleTypeAt);
    for (int channel = 0; channel < kChannels; ++channel) {
        record.channelShown[size_t(channel)] = byteAt(bytes, kChannelShownAt + channel) != 0;
        record.channelNames[size_t(channel)] =
            textAt(bytes, kChannelNamesAt + channel * kChannelNameField, kChannelNameField);
    }
    readBytes(bytes, kGsmSerialAt, record.gsmSerial);
    record.gsmLocalPort = int32At(bytes, kGsmLocalPortAt);
    record.gsmServerPort = int32At(bytes, kGsmServerPortAt);
    record.gsmAddress = textAt(bytes, kGsmAddressAt, kAddressBytes);
    return record;
}

QByteArray SettingsRecord::toBytes() const
{
    QByteArray bytes(kSize, '\0');
    putInt32(bytes, 0, kTag);
    putInt32(bytes, kImageWidthAt, imageWidth);
    putInt32(bytes, kImageHeightAt, imageHeight);
    putBytes(bytes, kTabOrderAt, tabOrder);
    bytes[kCurrentTabAt] = char(currentTab);
    putBytes(bytes, kUartSerialAt, uartSerial);
    putBytes(bytes, kCarSerialAt, carSerial);
    bytes[kImageModeAt] = char(imageMode);
    bytes[kCcdCountAt] = char(ccdCount);
    bytes[kChannelCountAt] = char(channelCount);
    bytes[kSampleTypeAt] = char(sampleType);
    for (int channel = 0; channel < kChannels; ++channel) {
        bytes[kChannelShownAt + channel] = channelShown[size_t(channel)] ? 1 : 0;
        putText(bytes, kChannelNamesAt + channel * kChannelNameField,
                channelNames[size_t(channel)], kChannelNameBytes);
    }
    putBytes(bytes, kGsmSerialAt, gsmSerial);
    putInt32(bytes, kGsmLocalPortAt, gsmLocalPort);
    putInt32(bytes, kGsmServerPortAt, gsmServerPort);
    putText(bytes, kGsmAddressAt, gsmAddress, kAddressBytes);
    return bytes;
}

bool SettingsRecord::hasValidTabOrder() const
{
    std::array<bool, kPages> seen{};
    for (quint8 page : tabOrder) {
        if (page >= kPages || seen[page])
            return false;
        seen[page] = true;
    }
    return true;
}

std::optional<SettingsRecord> loadSettingsFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << QStringLiteral("FileRead 打开文件失败");
        return std::nullopt;
    }
    // One byte more than a record shows a file that is too long.
    return SettingsRecord::fromBytes(file.read(SettingsRecord::kSize + 1));
}

bool saveSettingsFile(const QString &path, const SettingsRecord &record)
{
    QSaveFile file(path);
    // Unbuffered, so that a failed write shows in its result and not only in
    // a flush whose failure commit() may miss.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qDebug() << QStringLiteral("FileWrite 打开文件失败");
        return false;
    }
    const QByteArray bytes = record.toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}
