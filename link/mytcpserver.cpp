#include "mytcpserver.h"

#include "mytcpclient.h"

myTcpServer::myTcpServer(QObject *parent)
    : QTcpServer(parent)
    , m_gatherMs(myTcpClient::kGatherMs)
{
}

void myTcpServer::setGatherInterval(int ms)
{
    m_gatherMs = ms;
    for (myTcpClient *client : qAsConst(m_clients))
        client->setGatherInterval(ms);
}

myTcpServer::~myTcpServer()
{
    // The clients are our children; they must not report into a half
    // destroyed server.
    for (myTcpClient *client : qAsConst(m_clients))
        client->disconnect(this);
}

void myTcpServer::incomingConnection(qintptr descriptor)
{
    if (m_count >= m_limit) {
        QTcpSocket refused;
        if (!refused.setSocketDescriptor(descriptor))
            return;
        const QString ip = myTcpClient::addressText(refused.peerAddress());
        const int port = refused.peerPort();
        refused.abort();
        emit ClientRefused(ip, port);
        return;
    }
    auto *client = new myTcpClient(this);
    if (!client->adopt(descriptor)) {
        delete client;
        return;
    }
    client->setGatherInterval(m_gatherMs);
    connect(client, &myTcpClient::ClientReadData, this, &myTcpServer::onClientReadData);
    connect(client, &myTcpClient::ClientDisConnect, this, &myTcpServer::onClientDisconnected);
    emit ClientConnect(client->clientID(), client->clientIP(), client->clientPort());
    m_ids.append(client->clientID());
    m_clients.append(client);
    ++m_count;
}

myTcpClient *myTcpServer::client(int clientID) const
{
    const int index = m_ids.indexOf(clientID);
    return index >= 0 ? m_clients.at(index) : nullptr;
}

QByteArray myTcpServer::readData(int clientID)
{
    myTcpClient *client = this->client(clientID);
    return client ? client->readAll() : QByteArray();
}

bool myTcpServer::writeData(int clientID, const QByteArray &bytes)
{
    myTcpClient *client = this->client(clientID);
    return client && client->write(bytes) == bytes.size();
}

void myTcpServer::broadcast(const QByteArray &bytes)
{
    for (myTcpClient *client : qAsConst(m_clients))
        client->write(bytes);
}

bool myTcpServer::closeClient(int clientID)
{
    myTcpClient *client = this->client(clientID);
    if (!client)
        return false;
    // What the system takes of the unsent bytes still goes out; a client
    // that has not taken the rest is cut off rather than left lingering.
    client->flush();
    client->disconnectFromHost();
    if (m_clients.contains(client))
        client->abort();
    return true;
}

void myTcpServer::closeAllClients()
{
    // Closing reports the departure, which edits the lists: work on a copy.
    const QList<int> ids = m_ids;
    for (int id : ids)
        closeClient(id);
}

void myTcpServer::onClientReadData(int clientID, const QString &ip, int port)
{
    if (m_ids.contains(clientID))
        emit ClientReadData(clientID, ip, port);
}

void myTcpServer::onClientDisconnected(int clientID, const QString &ip, int port)
{
    auto *client = qobject_cast<myTcpClient *>(sender());
    const int index = m_clients.indexOf(client);
    if (index < 0)
        return;
    m_ids.removeAt(index);
    m_clients.removeAt(index);
    --m_count;
    // Deleted once control is back in the event loop, not under its own
    // signal.
    client->deleteLater();
    emit ClientDisConnect(clientID, ip, port);
}
