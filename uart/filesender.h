#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

// Whether a file goes out in one write: no chunk size, a chunk at least as
// large as the file, or no pause between chunks.
bool sendsWholeFile(qint64 chunkSize, qint64 intervalMs, qint64 fileSize);

// Sends a file in chunks, read from the file as they go, so memory stays
// bounded whatever the file's size. The owner writes each chunk where it
// belongs and stops the send when its port closes.
//
// Chunked: chunks of a fixed size with a pause after each, paced by a timer
// so the event loop keeps running between chunks.
// Streamed (a whole-file send): large pieces with no pause, each one after
// the owner reports with writerReady() that its writer has taken the last.
class ChunkedFileSender : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kStreamPieceSize = 64 * 1024;

    explicit ChunkedFileSender(QObject *parent = nullptr);

    // Send the file named and send its first chunk or piece at once.
    void start(const QString &path, qint64 chunkSize, int intervalMs);
    void startStream(const QString &path);
    void stop();
    bool isSending() const { return m_file.isOpen(); }
    bool isStreaming() const { return isSending() && m_streaming; }

    // The writer has room for the next piece of a streamed send.
    void writerReady();

    qint64 sent() const { return m_sent; }
    qint64 total() const { return m_total; }

signals:
    void chunkReady(const QByteArray &chunk);
    void progress(qint64 sent, qint64 total);
    // The whole file went out, or the send was stopped or failed to read.
    void finished(bool complete);

private:
    bool openFile(const QString &path);
    void sendNextChunk();
    void finish(bool complete);

    QFile m_file;
    QTimer m_pause;
    qint64 m_chunkSize = 0;
    qint64 m_sent = 0;
    qint64 m_total = 0;
    bool m_streaming = false;
    bool m_awaitingWriter = false;
};
