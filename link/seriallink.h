#pragma once

#include "bytelink.h"
#include "serialport.h"

#include <QTimer>

// A serial port as a link. While open it is read every 10 ms and everything
// that arrived goes out in one received(); a last read goes out just before
// the port closes, whether the user closed it or the device went away.
class SerialLink : public ByteLink
{
    Q_OBJECT
public:
    static constexpr int kReadIntervalMs = 10;

    explicit SerialLink(QObject *parent = nullptr);

    // The port's settings; its name is given to open(name).
    SerialPort *port() { return &m_port; }
    QString portName() const { return m_port.portName(); }
    void setPortName(const QString &name) { m_name = name; }

    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    qint64 write(const QByteArray &bytes) override { return m_port.write(bytes); }
    QString errorString() const override { return m_port.errorString(); }
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }

private:
    void poll();
    void onDeviceRemoved();

    SerialPort m_port;
    QTimer m_readTimer;
    QString m_name;
};
