#include "tcpserverlink.h"

#include "mytcpserver.h"
#include "receivescope.h"
#include "socketerror.h"

#include <utility>

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

void TcpServerLink::setConnectionLimit(int limit)
{
    m_server->setConnectionLimit(limit);
}

int TcpServerLink::connectionLimit() const
{
    return m_server->connectionLimit();
}

void TcpServerLink::setGatherInterval(int ms)
{
    m_server->setGatherInterval(ms);
}

void TcpServerLink::setClock(LinkClock clock)
{
    m_server->setClock(std::move(clock));
}

int TcpServerLink::clientCount() const
{
    return m_server->clientCount();
}

QList<int> TcpServerLink::clientIDs() const
{
    return m_server->clientIDs();
}

qint64 TcpServerLink::waitingBytes(int clientID) const
{
    return m_server->waitingBytes(clientID);
}

quint16 TcpServerLink::port() const
{
    return m_server->isListening() ? m_server->serverPort() : m_port;
}

QString TcpServerLink::listenAddress() const
{
    if (!m_server->isListening())
        return {};
    return listenAddressText(m_server->serverAddress(), m_server->serverPort());
}

bool TcpServerLink::open()
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(scopeAddress(m_scope, m_address), m_port)) {
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
    m_server->closeAllClients();
    m_server->close();
    emit closed();
}

void TcpServerLink::dropClient(int clientID)
{
    m_server->closeClient(clientID);
}

void TcpServerLink::setReadingHeld(bool held)
{
    m_server->setReadingHeld(held);
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

void TcpServerLink::onClientData(const TcpChunk &chunk)
{
    const ReceiveScope receiving;
    emit chunkReceived(chunk);
}
