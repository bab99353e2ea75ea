#pragma once

#include "bytelink.h"

#include <QTcpSocket>

// A TCP connection to a server, by address or host name (looked up without
// blocking). open() starts connecting; opened() or failed() follows.
class TcpClientLink : public ByteLink
{
    Q_OBJECT
public:
    explicit TcpClientLink(QObject *parent = nullptr);
    ~TcpClientLink() override;

    void setPeer(const QString &host, quint16 port);
    QString host() const { return m_host; }
    quint16 peerPort() const { return m_port; }
    quint16 localPort() const { return m_socket.localPort(); }

    bool open() override;
    void close() override;
    bool isOpen() const override;
    // Queued for sending; -1 while not connected.
    qint64 write(const QByteArray &bytes) override;
    QString errorString() const override { return m_error; }

private:
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void handOutReceived();

    QTcpSocket m_socket;
    QString m_host;
    quint16 m_port = 0;
    QString m_error;
    bool m_closing = false;
};
