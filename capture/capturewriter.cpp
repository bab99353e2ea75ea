#include "capturewriter.h"

#include "translation.h"

#include <algorithm>
#include <chrono>
#include <limits>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// The writer gives way to the read path when the processor is busy; the
// bounded queue says so if it ever gives way for too long.
// Bytes of one read take this many records: none longer than a reader
// accepts.
qint64 recordsFor(qint64 bytes)
{
    return std::max<qint64>(1, (bytes + Capture::kMaxRecordBytes - 1) / Capture::kMaxRecordBytes);
}

// `later - earlier` within the times a capture keeps, whatever the clock did.
qint64 offsetBetween(qint64 earlier, qint64 later)
{
    qint64 difference = 0;
    if (__builtin_sub_overflow(later, earlier, &difference))
        difference = later < earlier ? 0 : std::numeric_limits<qint64>::max();
    return Capture::clampedTimeUs(difference);
}

void lowerThisThreadsPriority()
{
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
#endif
}

} // namespace

CaptureWriter::CaptureWriter(qint64 queueLimit, Clock clock)
    : m_queueLimit(queueLimit)
    , m_clock(std::move(clock))
{
}

CaptureWriter::~CaptureWriter()
{
    close();
}

qint64 CaptureWriter::now() const
{
    return m_clock ? m_clock() : m_elapsed.nsecsElapsed() / 1000;
}

bool CaptureWriter::open(const QString &path, const Capture::Header &header)
{
    close();
    m_file.setFileName(path);
    m_path = path;
    m_failure = Failure::None;
    m_writeError.clear();
    m_openError.clear();
    // A header no reader takes would make a recording that cannot be played.
    const QByteArray head = Capture::encodeHeader(header);
    if (head.size() - Capture::kMagicSize - 4 > Capture::kMaxHeaderBytes) {
        m_openError = mainTr("记录的设置太长（超过 %1 KiB），例如帧格式描述太大")
                          .arg(Capture::kMaxHeaderBytes / 1024);
        return false;
    }
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (m_file.write(head) != head.size() || !m_file.flush()) {
        m_file.close();
        return false;
    }
    m_size = head.size();
    m_elapsed.start();
    m_startUs = now();
    m_stopping = false;
    m_queuedBytes = 0;
    m_thread = std::thread(&CaptureWriter::run, this);
    return true;
}

void CaptureWriter::close()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    m_file.close();
}

qint64 CaptureWriter::elapsedUs() const
{
    return isOpen() ? offsetBetween(m_startUs, now()) : 0;
}

void CaptureWriter::append(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty() || m_failure.load() != Failure::None)
        return;
    const qint64 offset = offsetBetween(m_startUs, now());
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queuedBytes + bytes.size() > m_queueLimit) {
            m_failure = Failure::QueueFull;
            return;
        }
        m_queue.push_back({offset, bytes});
        m_queuedBytes += bytes.size();
        wake = m_queuedBytes >= kEagerWriteBytes;
    }
    m_size += recordsFor(bytes.size()) * Capture::kRecordHeadBytes + bytes.size();
    if (wake)
        m_wake.notify_one();
}

QString CaptureWriter::errorString() const
{
    if (m_failure.load() == Failure::WriteFailed)
        return m_writeError;
    if (!m_openError.isEmpty())
        return m_openError;
    return m_file.errorString();
}

void CaptureWriter::run()
{
    lowerThisThreadsPriority();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(kFlushIntervalMs), [this] {
            return m_stopping || m_queuedBytes >= kEagerWriteBytes;
        });
        std::deque<Chunk> chunks;
        chunks.swap(m_queue);
        const bool stopping = m_stopping;
        lock.unlock();
        qint64 written = 0;
        for (const Chunk &chunk : chunks)
            written += chunk.bytes.size();
        const bool ok = m_failure.load() == Failure::WriteFailed || writeChunks(chunks);
        lock.lock();
        m_queuedBytes -= written;
        if (!ok) {
            m_failure = Failure::WriteFailed;
        }
        if (stopping)
            return;
    }
}

bool CaptureWriter::writeChunks(std::deque<Chunk> &chunks)
{
    if (chunks.empty())
        return true;
    for (const Chunk &chunk : chunks) {
        // A read longer than a reader accepts goes out as several records
        // with the read's time.
        for (qint64 at = 0; at < chunk.bytes.size(); at += Capture::kMaxRecordBytes) {
            const int size =
                int(std::min<qint64>(chunk.bytes.size() - at, Capture::kMaxRecordBytes));
            char head[Capture::kRecordHeadBytes];
            Capture::encodeRecordHead(head, chunk.offsetUs, size);
            if (m_file.write(head, sizeof head) != qint64(sizeof head)
                || m_file.write(chunk.bytes.constData() + at, size) != size) {
                m_writeError = m_file.errorString();
                return false;
            }
        }
    }
    if (!m_file.flush()) {
        m_writeError = m_file.errorString();
        return false;
    }
    return true;
}
