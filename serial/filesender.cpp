#include "filesender.h"

bool sendsWholeFile(qint64 chunkSize, qint64 intervalMs, qint64 fileSize)
{
    return chunkSize == 0 || chunkSize >= fileSize || intervalMs == 0;
}

ChunkedFileSender::ChunkedFileSender(QObject *parent)
    : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ChunkedFileSender::sendNextChunk);
}

void ChunkedFileSender::start(const QString &path, qint64 chunkSize, int intervalMs)
{
    stop();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        emit finished(false);
        return;
    }
    m_chunkSize = qMax<qint64>(1, chunkSize);
    m_sent = 0;
    m_total = m_file.size();
    m_pause.setInterval(intervalMs);
    sendNextChunk();
}

void ChunkedFileSender::stop()
{
    if (isSending())
        finish(false);
}

void ChunkedFileSender::sendNextChunk()
{
    const QByteArray chunk = m_file.read(m_chunkSize);
    if (chunk.isEmpty()) {
        // Read failure or a file that shrank under us: nothing more to send.
        finish(m_sent >= m_total);
        return;
    }
    m_sent += chunk.size();
    emit chunkReady(chunk);
    emit progress(m_sent, m_total);
    // The owner may have stopped the send while handling the chunk.
    if (!isSending())
        return;
    if (m_file.atEnd())
        finish(true);
    else
        m_pause.start();
}

void ChunkedFileSender::finish(bool complete)
{
    m_pause.stop();
    m_file.close();
    emit finished(complete);
}
