#include "seriallink.h"

#include "receivescope.h"

SerialLink::SerialLink(QObject *parent)
    : ByteLink(parent)
{
    m_gatherTimer.setSingleShot(true);
    connect(&m_gatherTimer, &QTimer::timeout, this, &SerialLink::deliver);
    connect(&m_port, &SerialPort::readyRead, this, &SerialLink::gather);
    connect(&m_port, &SerialPort::deviceRemoved, this, &SerialLink::onDeviceRemoved);
    connect(&m_port, &SerialPort::bytesWritten, this, &SerialLink::bytesWritten);
}

bool SerialLink::open()
{
    m_gatherTimer.stop();
    if (!m_port.open(m_name))
        return false;
    emit opened();
    return true;
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_gatherTimer.stop();
    deliver();
    m_port.close();
    emit closed();
}

void SerialLink::gather()
{
    // A fast line brings a system buffer or more at a time: nothing left to
    // gather, and waiting would only add a wake-up for every piece. Even
    // then the bytes go out from the timer, once the port's own read
    // handler, which is running now, has returned.
    const int wait = m_port.bytesWaiting() >= SerialPort::kFullReadBytes ? 0 : kGatherMs;
    if (!m_gatherTimer.isActive() || m_gatherTimer.remainingTime() > wait)
        m_gatherTimer.start(wait);
}

void SerialLink::deliver()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty()) {
        const ReceiveScope receiving;
        emit received(bytes);
    }
}

// The port has closed itself; what it read before the loss still goes out.
void SerialLink::onDeviceRemoved()
{
    m_gatherTimer.stop();
    deliver();
    emit closed();
    emit lost();
}
