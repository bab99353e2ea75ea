#include "mytcpserver.h"

#include "mytcpclient.h"
#include "translation.h"

myTcpServer::myTcpServer(QObject *parent)
    : QTcpServer(parent)
    , m_gatherMs(myTcpClient::kGatherMs)
{
    qRegisterMetaType<TcpChunk>();
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
    if (m_count >= m_limit && !freePlaceOfIdleClient()) {
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
    client->setClock(m_clock);
    if (!client->adopt(descriptor)) {
        delete client;
        return;
    }
    client->setGatherInterval(m_gatherMs);
    client->setReadingHeld(m_held);
    connect(client, &myTcpClient::ClientReadData, this, &myTcpServer::ClientReadData);
    connect(client, &myTcpClient::ClientDisConnect, this, &myTcpServer::onClientDisconnected);
    emit ClientConnect(client->clientID(), client->clientIP(), client->clientPort());
    m_ids.append(client->clientID());
    m_clients.append(client);
    ++m_count;
}

bool myTcpServer::freePlaceOfIdleClient()
{
    if (m_idleReplaceMs <= 0 || m_clients.isEmpty())
        return false;
    myTcpClient *quietest = m_clients.first();
    for (myTcpClient *client : qAsConst(m_clients)) {
        if (client->silentMs() > quietest->silentMs())
            quietest = client;
    }
    if (quietest->silentMs() < m_idleReplaceMs)
        return false;
    const int seconds = (m_idleReplaceMs + 999) / 1000;
    cutOff(quietest, mainTr("%1秒没有收到数据，已断开，换用新的连接").arg(seconds));
    return m_count < m_limit;
}

myTcpClient *myTcpServer::client(int clientID) const
{
    const int index = m_ids.indexOf(clientID);
    return index >= 0 ? m_clients.at(index) : nullptr;
}

qint64 myTcpServer::waitingBytes(int clientID) const
{
    const myTcpClient *client = this->client(clientID);
    return client ? client->bytesAvailable() : 0;
}

bool myTcpServer::writeData(int clientID, const QByteArray &bytes)
{
    myTcpClient *client = this->client(clientID);
    return client && client->write(bytes) == bytes.size() && checkUnsent(client);
}

void myTcpServer::broadcast(const QByteArray &bytes)
{
    // Cutting a client off edits the list: work on a copy.
    const QList<myTcpClient *> clients = m_clients;
    for (myTcpClient *client : clients) {
        client->write(bytes);
        checkUnsent(client);
    }
}

bool myTcpServer::checkUnsent(myTcpClient *client)
{
    if (client->bytesToWrite() <= kMaxUnsentBytes)
        return true;
    cutOff(client, mainTr("对方不接收数据，待发送的数据超过%1 MiB，已断开")
                       .arg(kMaxUnsentBytes >> 20));
    return false;
}

void myTcpServer::cutOff(myTcpClient *client, const QString &reason)
{
    const int id = client->clientID();
    // What it sent before is reported before it goes.
    client->reportWaiting();
    emit ClientCutOff(id, client->clientIP(), client->clientPort(), reason);
    closeClient(id);
}

bool myTcpServer::closeClient(int clientID)
{
    myTcpClient *client = this->client(clientID);
    if (!client)
        return false;
    client->reportWaiting();
    // What the system takes of the unsent bytes still goes out; a client
    // that has not taken the rest is cut off rather than left lingering.
    client->flush();
    client->disconnectFromHost();
    if (m_clients.contains(client))
        client->abort();
    return true;
}

void myTcpServer::setReadingHeld(bool held)
{
    m_held = held;
    for (myTcpClient *client : qAsConst(m_clients))
        client->setReadingHeld(held);
}

void myTcpServer::closeAllClients()
{
    // Closing reports the departure, which edits the lists: work on a copy.
    const QList<int> ids = m_ids;
    for (int id : ids)
        closeClient(id);
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
    // Nothing of a client that left reaches anyone.
    client->disconnect(this);
    // Deleted once control is back in the event loop, not under its own
    // signal.
    client->deleteLater();
    emit ClientDisConnect(clientID, ip, port);
}
