#pragma once

#include "bytelink.h"
#include "linkclock.h"
#include "listenaddress.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

#include <utility>

// A UDP endpoint: bound to a local port, it receives datagrams from anyone
// (or, serving one device, from one sender at a time) and sends to one
// target, given as an address or a host name (looked up without blocking;
// datagrams written meanwhile wait for the answer).
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
    // Every network unless set; this machine alone binds 127.0.0.1.
    void setScope(ListenScope scope) { m_scope = scope; }
    // One device at a time: the first sender is followed and datagrams
    // from any other are dropped, counted, until the one followed has sent
    // nothing for `idleMs`; then the next sender is followed.
    void setSingleSender(int idleMs = kIdleMs) { m_idleMs = idleMs; }
    // What a sender's silence is measured on.
    void setClock(LinkClock clock) { m_clock = std::move(clock); }
    // Datagrams dropped since the link opened.
    qint64 ignoredDatagrams() const { return m_ignored; }
    void setTarget(const QString &host, quint16 port);

    bool open() override;
    void close() override;
    bool isOpen() const override;
    // One datagram; -1 when closed, without a target, or too large.
    qint64 write(const QByteArray &bytes) override;
    QString errorString() const override { return m_error; }
    QString listenAddress() const override;

signals:
    // What received() carries, with its sender.
    void receivedFrom(const QString &ip, quint16 port, const QByteArray &datagram);
    // A datagram of a sender not followed was dropped.
    void ignored(const QString &ip, quint16 port);

private:
    void readDatagrams();
    void onLookedUp(const QHostInfo &info);
    qint64 send(const QByteArray &datagram);
    bool follows(const QHostAddress &address, quint16 port);

    QUdpSocket m_socket;
    quint16 m_localPort = 0;
    ListenScope m_scope = ListenScope::AllNetworks;
    int m_idleMs = 0;
    LinkClock m_clock = steadyClockMs;
    QHostAddress m_followed;
    quint16 m_followedPort = 0;
    qint64 m_lastHeardAt = 0;
    qint64 m_ignored = 0;
    QString m_targetHost;
    quint16 m_targetPort = 0;
    QHostAddress m_targetAddress;
    int m_lookupId = -1;
    QList<QByteArray> m_waiting;
    QString m_error;
};
