#pragma once

#include "capturefile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Records what a link delivers into a capture file without holding up the
// read path: append() stamps the bytes and queues them; a thread of the
// writer's own writes the queue out and flushes what it wrote, so the file
// is never more than about a second behind the link.
//
// The queue is bounded. A disk that cannot keep up (or fails) stops the
// recording: append() never waits for the disk, and the bytes are not
// dropped unnoticed. The file stays a valid capture up to the last chunk
// written, and failure() says why recording ended.
//
// A read longer than a reader accepts (Capture::kMaxRecordBytes) is written
// as several records with the read's time; times are clamped to
// Capture::kMaxTimeUs.
class CaptureWriter
{
public:
    enum class Failure { None, WriteFailed, QueueFull };

    static constexpr qint64 kDefaultQueueLimit = 64 * 1024 * 1024;
    // The thread writes at least this often, and sooner once a megabyte waits.
    static constexpr int kFlushIntervalMs = 200;
    static constexpr qint64 kEagerWriteBytes = 64 * 1024;

    // Microseconds since some fixed point; tests set the time.
    using Clock = std::function<qint64()>;

    explicit CaptureWriter(qint64 queueLimit = kDefaultQueueLimit, Clock clock = {});
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter &) = delete;
    CaptureWriter &operator=(const CaptureWriter &) = delete;

    // Creates the file and writes the header; false with errorString() when
    // the file cannot be created or the header is longer than readers take
    // (Capture::kMaxHeaderBytes). Time offsets count from here.
    bool open(const QString &path, const Capture::Header &header);
    // Writes out what is queued and closes the file.
    void close();
    bool isOpen() const { return m_thread.joinable(); }

    // Bytes as read from the link, stamped now. Ignored once failed.
    void append(const QByteArray &bytes);

    QString fileName() const { return m_path; }
    qint64 elapsedUs() const;
    // The file's size once everything appended so far is written.
    qint64 size() const { return m_size; }
    Failure failure() const { return m_failure.load(); }
    QString errorString() const;

private:
    struct Chunk
    {
        qint64 offsetUs;
        QByteArray bytes;
    };

    void run();
    bool writeChunks(std::deque<Chunk> &chunks);
    qint64 now() const;

    const qint64 m_queueLimit;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_startUs = 0;
    QFile m_file;
    QString m_path;
    qint64 m_size = 0;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Chunk> m_queue;
    qint64 m_queuedBytes = 0; // queued or being written; guarded by m_mutex
    bool m_stopping = false;
    std::atomic<Failure> m_failure{Failure::None};
    QString m_writeError; // set by the thread before it reports WriteFailed
    QString m_openError;  // why open() refused, where the file cannot say
};
