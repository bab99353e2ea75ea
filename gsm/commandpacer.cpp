#include "commandpacer.h"

#include <QTimer>

#include <utility>

CommandPacer::CommandPacer(QObject *parent)
    : QObject(parent)
    , m_pause(new QTimer(this))
{
    m_pause->setSingleShot(true);
    // A coarse timer may fire a few milliseconds early; the module's pause is
    // a minimum.
    m_pause->setTimerType(Qt::PreciseTimer);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, &CommandPacer::nextStep);
}

bool CommandPacer::start(const QList<QByteArray> &writes, std::function<void()> done)
{
    QList<Step> steps;
    for (const QByteArray &bytes : writes)
        steps.append([bytes] { return bytes; });
    return start(steps, std::move(done));
}

bool CommandPacer::start(const QList<Step> &steps, std::function<void()> done)
{
    if (m_running)
        return false;
    m_steps = steps;
    m_done = std::move(done);
    m_running = true;
    emit runningChanged(true);
    nextStep();
    return true;
}

void CommandPacer::nextStep()
{
    if (!m_steps.isEmpty())
        emit writeDue(m_steps.takeFirst()());
    if (!m_steps.isEmpty()) {
        m_pause->start();
        return;
    }
    m_running = false;
    const std::function<void()> done = std::exchange(m_done, {});
    emit runningChanged(false);
    if (done)
        done();
}
