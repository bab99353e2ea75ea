#include "autosender.h"

AutoSender::AutoSender(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &AutoSender::due);
}

void AutoSender::setWanted(bool wanted)
{
    m_wanted = wanted;
    update();
}

void AutoSender::setReady(bool ready)
{
    m_ready = ready;
    update();
}

void AutoSender::update()
{
    if (!m_wanted || !m_ready)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}
