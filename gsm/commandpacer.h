#pragma once

#include "promptscanner.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QTimer;

#include <functional>

// Sends a short series of writes to a module that needs a moment between
// them: the first at once, each further one 100 ms after the one before, on
// a timer, so the window stays responsive meanwhile. One series at a time:
// a second one while the first is under way is refused, never mixed in.
// The timers run only during a series.
//
// A write may wait for the module's prompt "> " instead of the pause: the
// replies are handed in through received() and the write goes as soon as the
// prompt is there.
class CommandPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPauseMs = 100;
    static constexpr int kPromptTimeoutMs = 5000;

    // A step's bytes are taken when its turn comes.
    using Step = std::function<QByteArray()>;

    explicit CommandPacer(QObject *parent = nullptr);

    // False, and nothing happens, while another series is under way.
    // `done` runs after the last write.
    bool start(const QList<Step> &steps, std::function<void()> done = {});
    bool start(const QList<QByteArray> &writes, std::function<void()> done = {});

    // As start(), except that the write at `promptedIndex` goes when the
    // module's prompt has arrived, not after the pause. When none has come
    // kPromptTimeoutMs after the write before it, the series stops there:
    // nothing more is written and `noPrompt` runs instead of `done`.
    bool startPrompted(const QList<QByteArray> &writes, int promptedIndex,
                       std::function<void()> done, std::function<void()> noPrompt);

    // Ends a series under way where it is, even from writeDue(): nothing
    // more is written, neither `done` nor `noPrompt` runs.
    void stop();

    // What the module sent; looked at only while a write waits for the prompt.
    void received(const QByteArray &bytes);

    bool isRunning() const { return m_running; }

signals:
    void writeDue(const QByteArray &bytes);
    void runningChanged(bool running);

private:
    void nextStep();
    void finish(bool complete);

    QTimer *m_pause = nullptr;
    QTimer *m_promptTimeout = nullptr;
    QList<Step> m_steps;
    std::function<void()> m_done;
    std::function<void()> m_noPrompt;
    int m_written = 0;
    int m_promptedIndex = -1;
    bool m_running = false;
    bool m_waitingForPrompt = false;
    PromptScanner m_prompt;
};
