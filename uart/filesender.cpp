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

bool ChunkedFileSender::openFile(const QString &path)
{
    stop();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        emit finished(false);
        return false;
    }
    m_sent = 0;
    m_total = m_file.size();
    m_awaitingWriter = false;
    return true;
}

void ChunkedFileSender::start(const QString &path, qint64 chunkSize, int intervalMs)
{
    if (!openFile(path))
        return;
    m_streaming = false;
    m_chunkSize = qMax<qint64>(1, chunkSize);
    m_pause.setInterval(intervalMs);
    sendNextChunk();
}

void ChunkedFileSender::startStream(const QString &path)
{
    if (!openFile(path))
        return;
    m_streaming = true;
    m_chunkSize = kStreamPieceSize;
    sendNextChunk();
}

void ChunkedFileSender::writerReady()
{
    if (!isStreaming() || !m_awaitingWriter)
        return;
    m_awaitingWriter = false;
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
    else if (m_streaming)
        m_awaitingWriter = true;
    else
        m_pause.start();
}

void ChunkedFileSender::finish(bool complete)
{
    m_pause.stop();
    m_awaitingWriter = false;
    m_file.close();
    emit finished(complete);
}
