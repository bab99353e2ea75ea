#include "settingsrecord.h"

#include <QDebug>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

// The length of the GB18030 character starting at `at`; a byte that starts
// no whole character counts as one.
int characterLength(const QByteArray &text, int at)
{
    const auto byte = [&text](int i) { return i < text.size() ? quint8(text.at(i)) : 0; };
    const auto isLead = [](quint8 b) { return b >= 0x81 && b <= 0xFE; };
    const auto isDigit = [](quint8 b) { return b >= 0x30 && b <= 0x39; };
    if (!isLead(byte(at)))
        return 1;
    const quint8 second = byte(at + 1);
    if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE))
        return 2;
    if (isDigit(second) && isLead(byte(at + 2)) && isDigit(byte(at + 3)))
        return 4;
    return 1;
}

// At most maxBytes of the text, never ending inside a character.
QByteArray cutText(const QByteArray &text, int maxBytes)
{
    int end = 0;
    while (end < text.size()) {
        const int next = end + characterLength(text, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.left(end);
}

void putText(QByteArray &bytes, int at, const QByteArray &text, int maxBytes)
{
    const QByteArray cut = cutText(text, maxBytes);
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
        // Read as it will be written again: a name filling its whole field
        // loses what would not fit before the terminator.
        record.channelNames[size_t(channel)] = cutText(
            textAt(bytes, kChannelNamesAt + channel * kChannelNameField, kChannelNameField),
            kChannelNameBytes);
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
    const QByteArray address = gsmAddress.left(kAddressBytes);
    bytes.replace(kGsmAddressAt, address.size(), address);
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

namespace {
// A new file beside `path`, created here and nowhere else: no link is
// followed and no existing file is opened.
int createBeside(const QByteArray &path, QByteArray *name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        *name = path + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        const int fd = ::open(name->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}
} // namespace

bool saveSettingsFile(const QString &path, const SettingsRecord &record, QString *error)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    const int fd = createBeside(target, &temporary);
    if (fd < 0) {
        if (error)
            *error = qt_error_string(errno);
        qDebug() << QStringLiteral("FileWrite 打开文件失败");
        return false;
    }
    bool ok = writeAll(fd, record.toBytes()) && ::fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    // rename() replaces whatever has the name, a link included, and never
    // writes through it.
    if (ok && std::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        if (error)
            *error = qt_error_string(failure);
    }
    return ok;
}
