#include "serialport.h"

#include <QMetaObject>

#include <unistd.h>

QString systemLocationOf(const QString &portName)
{
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return QStringLiteral("/dev/") + portName;
}

namespace {

QSerialPort::Parity toQtParity(int parity)
{
    switch (parity) {
    case SerialPort::OddParity:
        return QSerialPort::OddParity;
    case SerialPort::EvenParity:
        return QSerialPort::EvenParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits toQtStopBits(int stopBits)
{
    return stopBits == SerialPort::TwoStop ? QSerialPort::TwoStop : QSerialPort::OneStop;
}

QSerialPort::FlowControl toQtFlowControl(int flowControl)
{
    switch (flowControl) {
    case SerialPort::HardwareFlowControl:
        return QSerialPort::HardwareControl;
    case SerialPort::SoftwareFlowControl:
        return QSerialPort::SoftwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

bool meansDeviceLost(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
}

} // namespace

SerialPort::SerialPort(QObject *parent)
    : QObject(parent)
{
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    // Far more than a real line brings while the window is busy; a pseudo-
    // terminal fed by a local program waits in the system beyond it.
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::takeArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
    connect(&m_port, &QSerialPort::bytesWritten, this, &SerialPort::bytesWritten);
}

bool SerialPort::open(const QString &name)
{
    if (m_port.isOpen())
        close();
    m_name = name;
    m_received.clear();
    m_port.setPortName(systemLocationOf(name));
    m_port.setBaudRate(m_baudRate);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(m_dataBits));
    m_port.setParity(toQtParity(m_parity));
    m_port.setStopBits(toQtStopBits(m_stopBits));
    m_port.setFlowControl(toQtFlowControl(m_flowControl));
    m_port.clearError();
    return m_port.open(QIODevice::ReadWrite);
}

void SerialPort::close()
{
    // What was written last goes out before the handle closes; QSerialPort
    // otherwise drops whatever the event loop has not sent yet.
    if (m_port.isOpen() && !m_lossPending)
        m_port.flush();
    m_lossPending = false;
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialPort::isOpen() const
{
    return m_port.isOpen();
}

QString SerialPort::errorString() const
{
    return m_port.errorString();
}

void SerialPort::setBaudRate(int baud)
{
    m_baudRate = baud;
    if (m_port.isOpen())
        m_port.setBaudRate(baud);
}

void SerialPort::setDataBits(int bits)
{
    m_dataBits = bits;
    if (m_port.isOpen())
        m_port.setDataBits(static_cast<QSerialPort::DataBits>(bits));
}

void SerialPort::setParity(int parity)
{
    m_parity = parity;
    if (m_port.isOpen())
        m_port.setParity(toQtParity(parity));
}

void SerialPort::setStopBits(int stopBits)
{
    m_stopBits = stopBits;
    if (m_port.isOpen())
        m_port.setStopBits(toQtStopBits(stopBits));
}

bool SerialPort::setFlowControl(int flowControl)
{
    m_flowControl = flowControl;
    return !m_port.isOpen() || m_port.setFlowControl(toQtFlowControl(flowControl));
}

bool SerialPort::setDataTerminalReady(bool set)
{
    return m_port.isOpen() && m_port.setDataTerminalReady(set);
}

bool SerialPort::setRequestToSend(bool set)
{
    return m_port.isOpen() && m_port.setRequestToSend(set);
}

bool SerialPort::settingRefused() const
{
    return m_port.error() == QSerialPort::UnsupportedOperationError;
}

QByteArray SerialPort::readAll()
{
    QByteArray bytes;
    bytes.swap(m_received);
    if (m_port.isOpen())
        bytes += m_port.readAll();
    return bytes;
}

qint64 SerialPort::write(const QByteArray &bytes)
{
    return m_port.isOpen() ? m_port.write(bytes) : -1;
}

qint64 SerialPort::bytesToWrite() const
{
    return m_port.bytesToWrite();
}

// QSerialPort reads one piece per notification, and a pseudo-terminal or a
// fast adapter hands out a few KiB a read: a trip through the event loop for
// every piece costs more than the read itself. So what QSerialPort has read
// comes over, and what the system holds besides is read at once.
void SerialPort::takeArrived()
{
    if (m_received.size() < kReadBufferBytes) {
        m_received += m_port.readAll();
        readWhatWaits();
    }
    emit readyRead();
}

// Reads until the system has nothing more, bounded so that a line faster
// than the window cannot keep it here. A failed read is left for QSerialPort
// to meet again with its next read and report.
void SerialPort::readWhatWaits()
{
    char chunk[32 << 10];
    const int handle = int(m_port.handle());
    for (int taken = 0;
         taken < kReadsPerNotificationBytes && m_received.size() < kReadBufferBytes;) {
        const ssize_t n = ::read(handle, chunk, sizeof chunk);
        if (n <= 0)
            return;
        m_received.append(chunk, int(n));
        taken += int(n);
    }
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || m_lossPending || !meansDeviceLost(error))
        return;
    // QSerialPort is still inside its own read or write handler here; closing
    // it now would pull its buffers away underneath it.
    m_lossPending = true;
    QMetaObject::invokeMethod(this, &SerialPort::closeAfterLoss, Qt::QueuedConnection);
}

void SerialPort::closeAfterLoss()
{
    if (!m_lossPending)
        return;
    m_received += m_port.readAll();
    close();
    emit deviceRemoved();
}
