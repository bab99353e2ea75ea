#pragma once

#include <QObject>
#include <QTimer>

// "定时发送": sends again and again while the user wants it and the page has
// somewhere to send to. Its timer runs only then, never on an idle page.
class AutoSender : public QObject
{
    Q_OBJECT
public:
    explicit AutoSender(QObject *parent = nullptr);

    void setWanted(bool wanted);
    void setReady(bool ready);
    void setInterval(int ms) { m_timer.setInterval(ms); }
    bool isRunning() const { return m_timer.isActive(); }

signals:
    void due();

private:
    void update();

    QTimer m_timer;
    bool m_wanted = false;
    bool m_ready = false;
};
