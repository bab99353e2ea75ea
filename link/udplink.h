#pragma once

#include "bytelink.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

// A UDP endpoint: bound to a local port, it receives datagrams from anyone
// and sends to one target, given as an address or a host name (looked up
// without blocking; datagrams written meanwhile wait for the answer).
class UdpLink : public ByteLink
{
    Q_OBJECT
public:
    // Datagrams waiting for a host name lookup, at most.
    static constexpr int kMaxWaiting = 1024;
    // Datagrams handed out per turn of the event loop, at most; the rest
    // wait in the system for the next turn.
    static constexpr int kDatagramsPerRead = 64;

    explicit UdpLink(QObject *parent = nullptr);

    // Port 0 lets the system choose; localPort() then tells which.
    void setLocalPort(quint16 port) { m_localPort = port; }
    quint16 localPort() const;
    void setTarget(const QString &host, quint16 port);

    bool open() override;
    void close() override;
    bool isOpen() const override;
    // One datagram; -1 when closed, without a target, or too large.
    qint64 write(const QByteArray &bytes) override;
    QString errorString() const override { return m_error; }

signals:
    // What received() carries, with its sender.
    void receivedFrom(const QString &ip, quint16 port, const QByteArray &datagram);

private:
    void readDatagrams();
    void onLookedUp(const QHostInfo &info);
    qint64 send(const QByteArray &datagram);

    QUdpSocket m_socket;
    quint16 m_localPort = 0;
    QString m_targetHost;
    quint16 m_targetPort = 0;
    QHostAddress m_targetAddress;
    int m_lookupId = -1;
    QList<QByteArray> m_waiting;
    QString m_error;
};
