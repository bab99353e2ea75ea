#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

// Whether a file goes out in one write: no chunk size, a chunk at least as
// large as the file, or no pause between chunks.
bool sendsWholeFile(qint64 chunkSize, qint64 intervalMs, qint64 fileSize);

// Sends an opened file in chunks of a fixed size with a pause after each,
// paced by a timer so the event loop keeps running between chunks. The
// owner writes each chunk where it belongs and stops the send when its port
// closes.
class ChunkedFileSender : public QObject
{
    Q_OBJECT
public:
    explicit ChunkedFileSender(QObject *parent = nullptr);

    // Takes over the opened file and sends its first chunk at once.
    void start(const QString &path, qint64 chunkSize, int intervalMs);
    void stop();
    bool isSending() const { return m_file.isOpen(); }

    qint64 sent() const { return m_sent; }
    qint64 total() const { return m_total; }

signals:
    void chunkReady(const QByteArray &chunk);
    void progress(qint64 sent, qint64 total);
    // The whole file went out, or the send was stopped or failed to read.
    void finished(bool complete);

private:
    void sendNextChunk();
    void finish(bool complete);

    QFile m_file;
    QTimer m_pause;
    qint64 m_chunkSize = 0;
    qint64 m_sent = 0;
    qint64 m_total = 0;
};
