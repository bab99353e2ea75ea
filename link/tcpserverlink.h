#pragma once

#include "bytelink.h"
#include "linkclock.h"
#include "listenaddress.h"
#include "tcpchunk.h"

#include <QHostAddress>

class myTcpServer;

// A TCP server as a link: it listens on one port and receives from every
// client it admits (numbered as myTcpServer numbers them); writes go to one
// chosen client or to all. What a client sends comes out of chunkReceived()
// only, with the client it came from; received() stays silent.
class TcpServerLink : public ByteLink
{
    Q_OBJECT
public:
    static constexpr int kAllClients = 0;

    explicit TcpServerLink(QObject *parent = nullptr);

    // Port 0 lets the system choose; port() then tells which.
    void setPort(quint16 port) { m_port = port; }
    // One device at a time: a second connection is refused, unless the
    // client has sent nothing for `idleMs`; then it is cut off and the
    // newcomer takes its place, so a dead connection cannot lock the device
    // out.
    void setSingleClient(int idleMs = kIdleMs);
    // At most this many clients at once (10 unless set); a further
    // connection is refused.
    void setConnectionLimit(int limit);
    int connectionLimit() const;
    // How long a client gathers bytes before they are handed out (100 ms
    // unless set).
    void setGatherInterval(int ms);
    // What every network means: by default every address, IPv4 and IPv6.
    void setAddress(const QHostAddress &address) { m_address = address; }
    // Every network unless set; this machine alone binds 127.0.0.1.
    void setScope(ListenScope scope) { m_scope = scope; }
    // What a client's silence is measured on.
    void setClock(LinkClock clock);
    quint16 port() const;
    // Where write() sends: a client's ID, or kAllClients.
    void setTarget(int clientID) { m_target = clientID; }
    int clientCount() const;
    // In connection order.
    QList<int> clientIDs() const;
    // Bytes received from a client that wait to be handed out.
    qint64 waitingBytes(int clientID) const;

    // Ends one client's connection; what it sent before is handed out first.
    void dropClient(int clientID);
    // While held, what clients send waits unread (TCP slows them down),
    // except what a leaving client sent: that is still handed out.
    void setReadingHeld(bool held);

    bool open() override;
    // Closes every client, then stops listening.
    void close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray &bytes) override;
    QString errorString() const override { return m_error; }
    QString listenAddress() const override;

signals:
    void clientConnected(int clientID, const QString &ip, int port);
    void clientDisconnected(int clientID, const QString &ip, int port);
    // A connection beyond the limit, closed at once.
    void clientRefused(const QString &ip, int port);
    // We are closing the client, for the reason given (it was silent, or it
    // does not take what we send); clientDisconnected follows.
    void clientCutOff(int clientID, const QString &ip, int port, const QString &reason);
    // A client's bytes, in the order they arrived, with the client.
    void chunkReceived(const TcpChunk &chunk);

private:
    void onClientData(const TcpChunk &chunk);

    myTcpServer *m_server;
    QHostAddress m_address = QHostAddress::Any;
    ListenScope m_scope = ListenScope::AllNetworks;
    quint16 m_port = 0;
    int m_target = kAllClients;
    QString m_error;
};
