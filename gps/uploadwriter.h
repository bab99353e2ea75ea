#pragma once

#include "uploadfolder.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>

class QThread;

// Writes uploaded files below uploads/ on a thread of its own, one after the
// other in the order given, so a slow disk or a flood of files never holds
// up the thread that reads the device. The queue is bounded: whoever feeds
// it stops while isFull() says so, and goes on at the next written().
class UploadWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxQueuedFiles = 16;
    static constexpr qint64 kMaxQueuedBytes = 32 << 20;

    // The thread starts with the first file.
    explicit UploadWriter(QObject *parent = nullptr);
    // Writes what is queued, then ends the thread.
    ~UploadWriter() override;

    // `data` as the file at `relative` below uploads/ in the current working
    // directory. The same file queued last and not written yet is replaced:
    // the folder sees it written once, and written() reports both sizes.
    void write(const QString &relative, const QByteArray &data);
    bool isFull() const;
    // Nothing queued or being written, nothing left to report.
    bool isIdle() const;
    // What the folder holds is counted again before the next file.
    void recount();
    // Blocks until every queued file is written, and reports them.
    void waitUntilWritten();
    // Between the first written() of a batch and reported().
    bool reporting() const { return m_reporting; }
    // For tests, before the first write(): see UploadFolder::Folder.
    void setBeforeOpen(std::function<void()> hook);
    void setLimits(int maxEntries, qint64 maxBytes);

signals:
    // For each file, in order, on the thread that owns the writer; `sizes`
    // are those of the uploads it stands for.
    void written(const UploadFolder::Outcome &outcome, const QList<qint64> &sizes);
    // After the files written meanwhile were reported, each by written().
    void reported();

private:
    struct Job
    {
        QString workDir;
        QString relative;
        QByteArray data;
        QList<qint64> sizes;
    };
    struct Result
    {
        UploadFolder::Outcome outcome;
        QList<qint64> sizes;
    };

    void run();
    void report();

    UploadFolder::Folder m_folder; // the worker's alone once it runs
    QThread *m_thread = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // a job came, or the end
    std::condition_variable m_idle; // the queue ran dry
    QList<Job> m_queue;
    qint64 m_queuedBytes = 0;
    bool m_busy = false;
    bool m_recount = false;
    bool m_stopping = false;
    QList<Result> m_results;
    bool m_reporting = false; // the owner's thread's alone
};
