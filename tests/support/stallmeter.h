#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <time.h>

// The worst lateness of a 1 ms timer: how long the event loop was ever kept
// from running while the meter ran. On a busy machine other programs delay
// it too, so the meter also keeps the most processor time this thread spent
// between two ticks: the part of a stall that was its own work.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuNs();
            m_worstNs = qMax(m_worstNs, now - m_lastNs - kTickNs);
            m_worstWorkingNs = qMax(m_worstWorkingNs, cpu - m_lastCpuNs);
            m_lastNs = now;
            m_lastCpuNs = cpu;
        });
    }
    void start()
    {
        m_worstNs = 0;
        m_worstWorkingNs = 0;
        m_clock.start();
        m_lastNs = 0;
        m_lastCpuNs = threadCpuNs();
        m_timer.start(1);
    }
    void stop() { m_timer.stop(); }
    double worstMs() const { return double(m_worstNs) / 1e6; }
    double worstWorkingMs() const { return double(m_worstWorkingNs) / 1e6; }

private:
    static qint64 threadCpuNs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }

    static constexpr qint64 kTickNs = 1000000;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_lastCpuNs = 0;
    qint64 m_worstNs = 0;
    qint64 m_worstWorkingNs = 0;
};
