#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

class myTcpClient;

// A TCP server that numbers its clients by socket descriptor and keeps them
// in connection order. Beyond the connection limit a new connection is
// closed at once: it is never a client and only ClientRefused tells of it.
class myTcpServer : public QTcpServer
{
    Q_OBJECT
public:
    static constexpr int kDefaultLimit = 10;

    explicit myTcpServer(QObject *parent = nullptr);
    ~myTcpServer() override;

    void setConnectionLimit(int limit) { m_limit = limit; }
    // How long a client gathers bytes before reporting them (100 ms unless
    // set), for the clients connected now and later.
    void setGatherInterval(int ms);
    int connectionLimit() const { return m_limit; }
    int clientCount() const { return m_count; }
    QList<int> clientIDs() const { return m_ids; }
    // Null for an unknown ID.
    myTcpClient *client(int clientID) const;

    // Everything received from the client so far; empty for an unknown ID.
    QByteArray readData(int clientID);
    // False for an unknown ID.
    bool writeData(int clientID, const QByteArray &bytes);
    // To every client, in connection order.
    void broadcast(const QByteArray &bytes);
    // Closes a client at once, even one that has not taken all bytes sent to
    // it; it reports its departure before this returns. False for an
    // unknown ID.
    bool closeClient(int clientID);
    // Closes every client, one after the other.
    void closeAllClients();

signals:
    void ClientConnect(int clientID, QString IP, int Port);
    void ClientReadData(int clientID, QString IP, int Port);
    void ClientDisConnect(int clientID, QString IP, int Port);
    void ClientRefused(QString IP, int Port);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onClientReadData(int clientID, const QString &ip, int port);
    void onClientDisconnected(int clientID, const QString &ip, int port);

    QList<int> m_ids;
    QList<myTcpClient *> m_clients;
    int m_count = 0;
    int m_limit = kDefaultLimit;
    int m_gatherMs;
};
