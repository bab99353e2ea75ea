#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// The path the operating system opens for a port name: names as listed
// ("ttyUSB0") live under /dev, full or relative paths stand as given.
QString systemLocationOf(const QString &portName);

// A serial port opened read-write by name. It takes bytes in as the system
// reports them and says so with readyRead(); readAll() hands them out.
//
// Settings use the integers the panel's combo boxes carry and are applied at
// once when the port is open, and kept for the next open otherwise.
//
// When the device goes away under an open port (a USB adapter pulled, the
// other end of a pseudo-terminal closed), the port closes itself and reports
// deviceRemoved() once. QSerialPort alone keeps the dead handle open and
// repeats its read error thousands of times a second.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    // What the port keeps unread at most. A full buffer stops reading until
    // the next readAll(), so it holds what the fastest line (a pseudo-
    // terminal, over 100 MB/s) brings while the window is busy for tens of
    // milliseconds.
    static constexpr qint64 kReadBufferBytes = 8 << 20;
    // What one notification reads at most beyond QSerialPort's own piece.
    static constexpr int kReadsPerNotificationBytes = 64 << 10;
    // The most one read of a terminal device brings (the line discipline's
    // buffer).
    static constexpr int kFullReadBytes = 4096;

    enum Parity { NoParity = 0, OddParity = 1, EvenParity = 2 };
    enum StopBits { OneStop = 0, TwoStop = 2 };
    enum FlowControl { NoFlowControl = 0, HardwareFlowControl = 1, SoftwareFlowControl = 2 };

    explicit SerialPort(QObject *parent = nullptr);

    bool open(const QString &name);
    void close();
    bool isOpen() const;
    QString portName() const { return m_name; }
    QString errorString() const;

    void setBaudRate(int baud);
    void setDataBits(int bits);
    void setParity(int parity);
    void setStopBits(int stopBits);
    // Kept for the next open like the settings above; false when the open
    // port refuses it.
    bool setFlowControl(int flowControl);
    // Only an open port has the lines. Opening leaves them as the system
    // sets them (Linux raises both); false when the device has no modem
    // lines (a pseudo-terminal) or hardware flow control drives RTS.
    bool setDataTerminalReady(bool set);
    bool setRequestToSend(bool set);
    int baudRate() const { return m_baudRate; }
    int dataBits() const { return m_dataBits; }
    int parity() const { return m_parity; }
    int stopBits() const { return m_stopBits; }
    int flowControl() const { return m_flowControl; }
    // The last open or setting failed because the device or the system
    // does not take a setting (a baud rate, say), not because of the port.
    bool settingRefused() const;

    // Everything received since the last call, in order, including what
    // arrived just before the device was lost.
    QByteArray readAll();
    // How many bytes readAll() would hand out now.
    qint64 bytesWaiting() const { return m_received.size() + m_port.bytesAvailable(); }
    // Queues the bytes for sending; they leave as the event loop runs.
    qint64 write(const QByteArray &bytes);
    qint64 bytesToWrite() const;

signals:
    // Bytes have arrived since the last readAll().
    void readyRead();
    void deviceRemoved();
    // Some queued bytes went out to the device.
    void bytesWritten(qint64 bytes);

private:
    void takeArrived();
    void readWhatWaits();
    void onError(QSerialPort::SerialPortError error);
    void closeAfterLoss();

    QSerialPort m_port;
    QString m_name;
    int m_baudRate = 115200;
    int m_dataBits = 8;
    int m_parity = NoParity;
    int m_stopBits = OneStop;
    int m_flowControl = NoFlowControl;
    bool m_lossPending = false;
    // Received and not yet handed out; older than what QSerialPort holds.
    QByteArray m_received;
};
