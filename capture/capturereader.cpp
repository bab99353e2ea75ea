#include "capturereader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

CaptureReader::CaptureReader() = default;
CaptureReader::~CaptureReader() = default;

bool CaptureReader::open(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        m_error = file->errorString();
        return false;
    }
    return open(std::move(file));
}

bool CaptureReader::open(std::unique_ptr<QIODevice> device)
{
    m_device = std::move(device);
    m_records.clear();
    m_truncated = false;
    m_trailingBytes = 0;
    m_error.clear();
    int consumed = 0;
    const QByteArray start = m_device->peek(Capture::kMagicSize + 4 + Capture::kMaxHeaderBytes);
    if (!Capture::decodeHeader(start, &m_header, &consumed)) {
        m_error = QStringLiteral("not a capture file");
        m_device.reset();
        return false;
    }
    if (!m_device->seek(consumed))
        return false;
    return readIndex();
}

bool CaptureReader::readIndex()
{
    const qint64 end = m_device->size();
    qint64 position = m_device->pos();
    qint64 lastTime = 0;
    while (position < end) {
        char head[Capture::kRecordHeadBytes];
        if (end - position < Capture::kRecordHeadBytes
            || m_device->read(head, sizeof head) != qint64(sizeof head))
            break;
        const qint64 time = Capture::clampedTimeUs(
            qint64(qFromLittleEndian<quint64>(head) & 0x7fffffffffffffffULL));
        const quint32 size = qFromLittleEndian<quint32>(head + 8);
        const qint64 bytesAt = position + Capture::kRecordHeadBytes;
        if (size > quint32(Capture::kMaxRecordBytes) || end - bytesAt < qint64(size))
            break;
        lastTime = std::max(lastTime, time);
        m_records.push_back({lastTime, bytesAt, int(size)});
        position = bytesAt + size;
        if (!m_device->seek(position))
            break;
    }
    m_trailingBytes = end - position;
    m_truncated = m_trailingBytes > 0;
    return true;
}

int CaptureReader::recordAt(qint64 timeUs) const
{
    const auto found = std::lower_bound(
        m_records.begin(), m_records.end(), timeUs,
        [](const Record &record, qint64 time) { return record.timeUs < time; });
    return int(found - m_records.begin());
}

QByteArray CaptureReader::bytes(int index)
{
    const Record &record = m_records[size_t(index)];
    if (!m_device->seek(record.position))
        return {};
    QByteArray bytes = m_device->read(record.size);
    if (bytes.size() != record.size)
        return {};
    return bytes;
}
