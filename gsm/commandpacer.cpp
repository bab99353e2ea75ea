#include "commandpacer.h"

#include <QTimer>

#include <utility>

CommandPacer::CommandPacer(QObject *parent)
    : QObject(parent)
    , m_pause(new QTimer(this))
    , m_promptTimeout(new QTimer(this))
{
    m_pause->setSingleShot(true);
    // A coarse timer may fire a few milliseconds early; the module's pause is
    // a minimum.
    m_pause->setTimerType(Qt::PreciseTimer);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, &CommandPacer::nextStep);

    m_promptTimeout->setSingleShot(true);
    m_promptTimeout->setInterval(kPromptTimeoutMs);
    connect(m_promptTimeout, &QTimer::timeout, this, [this] { finish(false); });
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
    m_written = 0;
    m_running = true;
    emit runningChanged(true);
    nextStep();
    return true;
}

bool CommandPacer::startPrompted(const QList<QByteArray> &writes, int promptedIndex,
                                 std::function<void()> done, std::function<void()> noPrompt)
{
    if (m_running)
        return false;
    m_promptedIndex = promptedIndex;
    m_noPrompt = std::move(noPrompt);
    return start(writes, std::move(done));
}

void CommandPacer::received(const QByteArray &bytes)
{
    if (!m_waitingForPrompt || !m_prompt.feed(bytes))
        return;
    m_waitingForPrompt = false;
    m_promptTimeout->stop();
    nextStep();
}

void CommandPacer::stop()
{
    if (!m_running)
        return;
    m_pause->stop();
    m_promptTimeout->stop();
    m_done = nullptr;
    m_noPrompt = nullptr;
    finish(false);
}

void CommandPacer::nextStep()
{
    if (!m_steps.isEmpty()) {
        emit writeDue(m_steps.takeFirst()());
        if (!m_running)
            return;
        ++m_written;
    }
    if (m_steps.isEmpty()) {
        finish(true);
    } else if (m_written == m_promptedIndex) {
        // Only what arrives after the command counts as its prompt.
        m_prompt.reset();
        m_waitingForPrompt = true;
        m_promptTimeout->start();
    } else {
        m_pause->start();
    }
}

// Ends the series: `complete` when every write went out, else it stopped
// waiting for the prompt.
void CommandPacer::finish(bool complete)
{
    m_steps.clear();
    m_running = false;
    m_waitingForPrompt = false;
    m_promptedIndex = -1;
    const std::function<void()> done = std::exchange(m_done, {});
    const std::function<void()> noPrompt = std::exchange(m_noPrompt, {});
    emit runningChanged(false);
    const std::function<void()> &then = complete ? done : noPrompt;
    if (then)
        then();
}
