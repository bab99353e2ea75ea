#include "simrecording.h"

#include <algorithm>

bool SimRecording::open(const QString &path, const Capture::Header &header)
{
    const QByteArray start = Capture::encodeHeader(header);
    if (start.size() - Capture::kMagicSize - 4 > Capture::kMaxHeaderBytes) {
        m_error = QStringLiteral("its header would exceed %1 bytes").arg(Capture::kMaxHeaderBytes);
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || m_file.write(start) != start.size()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

bool SimRecording::append(qint64 offsetUs, const QByteArray &bytes)
{
    for (int done = 0; done < bytes.size(); done += Capture::kMaxRecordBytes) {
        const int size = std::min(Capture::kMaxRecordBytes, bytes.size() - done);
        const QByteArray record =
            Capture::encodeRecord(Capture::clampedTimeUs(offsetUs), bytes.constData() + done, size);
        if (m_file.write(record) != record.size()) {
            m_error = m_file.errorString();
            return false;
        }
    }
    return true;
}

bool SimRecording::flush()
{
    if (m_file.flush())
        return true;
    m_error = m_file.errorString();
    return false;
}

QString SimRecording::errorString() const
{
    return m_error;
}
