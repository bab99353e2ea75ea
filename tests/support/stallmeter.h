#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The worst lateness of a 1 ms timer: how long the event loop was ever kept
// from running while the meter ran.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_worstNs = qMax(m_worstNs, now - m_lastNs - kTickNs);
            m_lastNs = now;
        });
    }
    void start()
    {
        m_worstNs = 0;
        m_clock.start();
        m_lastNs = 0;
        m_timer.start(1);
    }
    void stop() { m_timer.stop(); }
    double worstMs() const { return double(m_worstNs) / 1e6; }

private:
    static constexpr qint64 kTickNs = 1000000;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_worstNs = 0;
};
