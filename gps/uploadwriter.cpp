#include "uploadwriter.h"

#include <QDir>
#include <QThread>

#include <utility>

UploadWriter::UploadWriter(QObject *parent)
    : QObject(parent)
    , m_thread(QThread::create([this] { run(); }))
{
    m_thread->setObjectName(QStringLiteral("uploads"));
}

UploadWriter::~UploadWriter()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread->wait();
    delete m_thread;
}

void UploadWriter::write(const QString &relative, const QByteArray &data)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_queue.isEmpty() && m_queue.last().relative == relative) {
            Job &last = m_queue.last();
            m_queuedBytes += data.size() - last.data.size();
            last.data = data;
            last.sizes.append(data.size());
            return;
        }
        m_queue.append({QDir::currentPath(), relative, data, {data.size()}});
        m_queuedBytes += data.size();
    }
    // A session that is never sent a file never needs the thread.
    if (!m_thread->isRunning())
        m_thread->start();
    m_wake.notify_one();
}

bool UploadWriter::isFull() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size() >= kMaxQueuedFiles || m_queuedBytes >= kMaxQueuedBytes;
}

bool UploadWriter::isIdle() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.isEmpty() && !m_busy && m_results.isEmpty();
}

void UploadWriter::recount()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_recount = true;
}

void UploadWriter::setBeforeOpen(std::function<void()> hook)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_folder.setBeforeOpen(std::move(hook));
}

void UploadWriter::setLimits(int maxEntries, qint64 maxBytes)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_folder.setLimits(maxEntries, maxBytes);
}

void UploadWriter::waitUntilWritten()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.isEmpty() && !m_busy; });
    }
    report();
}

void UploadWriter::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.isEmpty(); });
            if (m_queue.isEmpty())
                return;
            job = m_queue.takeFirst();
            m_queuedBytes -= job.data.size();
            m_busy = true;
            if (std::exchange(m_recount, false))
                m_folder.recount();
        }
        Result result{m_folder.write(job.workDir, job.relative, job.data), job.sizes};
        bool first = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_results.append(std::move(result));
            first = m_results.size() == 1;
            m_busy = false;
        }
        m_idle.notify_all();
        if (first)
            QMetaObject::invokeMethod(this, &UploadWriter::report, Qt::QueuedConnection);
    }
}

void UploadWriter::report()
{
    QList<Result> results;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        results.swap(m_results);
    }
    if (results.isEmpty())
        return;
    m_reporting = true;
    for (const Result &result : qAsConst(results))
        emit written(result.outcome, result.sizes);
    m_reporting = false;
    emit reported();
}
