#include "tcpserverlink.h"

#include "mytcpclient.h"
#include "mytcpserver.h"
#include "socketerror.h"

TcpServerLink::TcpServerLink(QObject *parent)
    : ByteLink(parent)
    , m_server(new myTcpServer(this))
{
    connect(m_server, &myTcpServer::ClientConnect, this, &TcpServerLink::clientConnected);
    connect(m_server, &myTcpServer::ClientDisConnect, this, &TcpServerLink::clientDisconnected);
    connect(m_server, &myTcpServer::ClientReadData, this, &TcpServerLink::onClientData);
    connect(m_server, &myTcpServer::ClientRefused, this, &TcpServerLink::clientRefused);
    connect(m_server, &myTcpServer::ClientCutOff, this, &TcpServerLink::clientCutOff);
}

void TcpServerLink::setSingleClient(int idleMs)
{
    m_server->setConnectionLimit(1);
    m_server->setIdleReplacement(idleMs);
}

quint16 TcpServerLink::port() const
{
    return m_server->isListening() ? m_server->serverPort() : m_port;
}

bool TcpServerLink::open()
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(m_address, m_port)) {
        m_error = socketErrorText(m_server->serverError(), m_server->errorString());
        return false;
    }
    m_error.clear();
    emit opened();
    return true;
}

void TcpServerLink::close()
{
    if (!m_server->isListening())
        return;
    for (int id : m_server->clientIDs())
        dropClient(id);
    m_server->close();
    emit closed();
}

void TcpServerLink::dropClient(int clientID)
{
    const myTcpClient *client = m_server->client(clientID);
    if (!client)
        return;
    // What the client sent before is handed out before its departure.
    onClientData(clientID, client->clientIP(), client->clientPort());
    m_server->closeClient(clientID);
}

bool TcpServerLink::isOpen() const
{
    return m_server->isListening();
}

qint64 TcpServerLink::write(const QByteArray &bytes)
{
    if (!isOpen())
        return -1;
    if (m_target == kAllClients) {
        m_server->broadcast(bytes);
        return bytes.size();
    }
    return m_server->writeData(m_target, bytes) ? bytes.size() : -1;
}

void TcpServerLink::onClientData(int clientID, const QString &ip, int port)
{
    const QByteArray bytes = m_server->readData(clientID);
    if (bytes.isEmpty())
        return;
    emit receivedFrom(clientID, ip, port, bytes);
    emit received(bytes);
}
