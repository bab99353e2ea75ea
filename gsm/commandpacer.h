#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class QTimer;

#include <functional>

// Sends a short series of writes to a module that needs a moment between
// them: the first at once, each further one 100 ms after the one before, on
// a timer, so the window stays responsive meanwhile. One series at a time:
// a second one while the first is under way is refused, never mixed in.
// The timer runs only during a series.
class CommandPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPauseMs = 100;

    // A step's bytes are taken when its turn comes.
    using Step = std::function<QByteArray()>;

    explicit CommandPacer(QObject *parent = nullptr);

    // False, and nothing happens, while another series is under way.
    // `done` runs after the last write.
    bool start(const QList<Step> &steps, std::function<void()> done = {});
    bool start(const QList<QByteArray> &writes, std::function<void()> done = {});

    bool isRunning() const { return m_running; }

signals:
    void writeDue(const QByteArray &bytes);
    void runningChanged(bool running);

private:
    void nextStep();

    QTimer *m_pause = nullptr;
    QList<Step> m_steps;
    std::function<void()> m_done;
    bool m_running = false;
};
