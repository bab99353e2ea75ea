#pragma once

#include "bytelink.h"
#include "serialport.h"

#include <QTimer>

// A serial port as a link. The port takes bytes in as the system reports
// them; what arrives within kGatherMs of the first goes out in one
// received(), so a stream of small pieces is handed on in larger ones, and a
// quiet port runs nothing at all. A system buffer's worth or more waiting
// goes out at once: a fast line brings that much with every notification.
// A last read goes out just before the port closes, whether the user closed
// it or the device went away.
class SerialLink : public ByteLink
{
    Q_OBJECT
public:
    static constexpr int kGatherMs = 4;

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
    void gather();
    void deliver();
    void onDeviceRemoved();

    SerialPort m_port;
    QTimer m_gatherTimer;
    QString m_name;
};
