#include "seriallink.h"

#include "receivescope.h"

SerialLink::SerialLink(QObject *parent)
    : ByteLink(parent)
{
    m_readTimer.setInterval(kReadIntervalMs);
    connect(&m_readTimer, &QTimer::timeout, this, &SerialLink::poll);
    connect(&m_port, &SerialPort::deviceRemoved, this, &SerialLink::onDeviceRemoved);
    connect(&m_port, &SerialPort::bytesWritten, this, &SerialLink::bytesWritten);
}

bool SerialLink::open()
{
    if (!m_port.open(m_name)) {
        m_readTimer.stop();
        return false;
    }
    m_readTimer.start();
    emit opened();
    return true;
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_readTimer.stop();
    poll();
    m_port.close();
    emit closed();
}

void SerialLink::poll()
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
    m_readTimer.stop();
    poll();
    emit closed();
    emit lost();
}
