#pragma once

#include "bytelink.h"
#include "linkclock.h"
#include "tcpchunk.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

#include <utility>

class myTcpClient;

// A TCP server that numbers its clients by socket descriptor and keeps them
// in connection order. Beyond the connection limit a new connection is
// closed at once: it is never a client and only ClientRefused tells of it;
// unless a place may be freed for it (setIdleReplacement) by a client that
// has sent nothing for that long.
//
// A client that does not take what we send is cut off once more than
// kMaxUnsentBytes wait for it: ClientCutOff tells why, then ClientDisConnect.
class myTcpServer : public QTcpServer
{
    Q_OBJECT
public:
    static constexpr int kDefaultLimit = 10;
    static constexpr qint64 kMaxUnsentBytes = ByteLink::kMaxUnsentBytes;

    explicit myTcpServer(QObject *parent = nullptr);
    ~myTcpServer() override;

    void setConnectionLimit(int limit) { m_limit = limit; }
    // How long a client gathers bytes before reporting them (100 ms unless
    // set), for the clients connected now and later.
    void setGatherInterval(int ms);
    // A newcomer beyond the limit takes the place of the client that has
    // been silent longest, if that is at least `ms`; 0 (the default)
    // refuses it.
    void setIdleReplacement(int ms) { m_idleReplaceMs = ms; }
    // What a client's silence is measured on, for clients connected from
    // now on.
    void setClock(LinkClock clock) { m_clock = std::move(clock); }
    int connectionLimit() const { return m_limit; }
    int clientCount() const { return m_count; }
    QList<int> clientIDs() const { return m_ids; }
    // Null for an unknown ID.
    myTcpClient *client(int clientID) const;

    // Bytes received from the client and not reported yet; 0 for an unknown
    // ID.
    qint64 waitingBytes(int clientID) const;
    // False for an unknown ID.
    bool writeData(int clientID, const QByteArray &bytes);
    // To every client, in connection order.
    void broadcast(const QByteArray &bytes);
    // Closes a client at once, even one that has not taken all bytes sent to
    // it; it reports what it sent not yet reported, then its departure,
    // before this returns. False for an unknown ID.
    bool closeClient(int clientID);
    // Closes every client, one after the other.
    void closeAllClients();
    // For the clients connected now and later: see myTcpClient.
    void setReadingHeld(bool held);

signals:
    void ClientConnect(int clientID, QString IP, int Port);
    // A client's chunk, passed on as it came.
    void ClientReadData(const TcpChunk &chunk);
    void ClientDisConnect(int clientID, QString IP, int Port);
    void ClientRefused(QString IP, int Port);
    // The client is about to be closed by us, for the reason given.
    void ClientCutOff(int clientID, QString IP, int Port, QString reason);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool freePlaceOfIdleClient();
    // False when the client was cut off.
    bool checkUnsent(myTcpClient *client);
    void cutOff(myTcpClient *client, const QString &reason);
    void onClientDisconnected(int clientID, const QString &ip, int port);

    QList<int> m_ids;
    QList<myTcpClient *> m_clients;
    int m_count = 0;
    int m_limit = kDefaultLimit;
    int m_idleReplaceMs = 0;
    int m_gatherMs;
    LinkClock m_clock = steadyClockMs;
    bool m_held = false;
};
