#include "capturefile.h"

#include <QtEndian>

#include <cstring>

namespace Capture {

QByteArray encodeHeader(const Header &header)
{
    QByteArray text;
    for (auto it = header.cbegin(); it != header.cend(); ++it) {
        QString value = it.value();
        value.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += it.key().toUtf8() + '=' + value.toUtf8() + '\n';
    }
    QByteArray bytes(kMagic, kMagicSize);
    char length[4];
    qToLittleEndian<quint32>(quint32(text.size()), length);
    bytes.append(length, 4);
    return bytes + text;
}

bool decodeHeader(const QByteArray &bytes, Header *header, int *consumed)
{
    if (bytes.size() < kMagicSize + 4 || std::memcmp(bytes.constData(), kMagic, kMagicSize) != 0)
        return false;
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + kMagicSize);
    if (length > quint32(kMaxHeaderBytes) || quint32(bytes.size() - kMagicSize - 4) < length)
        return false;
    header->clear();
    const QByteArray text = bytes.mid(kMagicSize + 4, int(length));
    for (const QByteArray &line : text.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            header->insert(QString::fromUtf8(line.left(equals)),
                           QString::fromUtf8(line.mid(equals + 1)));
    }
    *consumed = kMagicSize + 4 + int(length);
    return true;
}

void encodeRecordHead(char *head, qint64 offsetUs, int size)
{
    qToLittleEndian<quint64>(quint64(offsetUs), head);
    qToLittleEndian<quint32>(quint32(size), head + 8);
}

QByteArray encodeRecord(qint64 offsetUs, const char *bytes, int size)
{
    QByteArray record(kRecordHeadBytes + size, Qt::Uninitialized);
    encodeRecordHead(record.data(), offsetUs, size);
    if (size > 0)
        std::memcpy(record.data() + kRecordHeadBytes, bytes, size_t(size));
    return record;
}

QStringList differingKeys(const Header &recorded, const Header &current, const QString &prefix)
{
    QStringList keys;
    for (auto it = recorded.cbegin(); it != recorded.cend(); ++it) {
        if (it.key().startsWith(prefix) && current.value(it.key()) != it.value())
            keys << it.key();
    }
    return keys;
}

} // namespace Capture
