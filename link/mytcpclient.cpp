#include "mytcpclient.h"

#include <QHostAddress>

myTcpClient::myTcpClient(QObject *parent)
    : QTcpSocket(parent)
{
    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
    connect(&m_gather, &QTimer::timeout, this,
            [this] { emit ClientReadData(m_id, m_ip, m_port); });
    connect(this, &QTcpSocket::readyRead, this, &myTcpClient::onReadyRead);
    connect(this, &QTcpSocket::disconnected, this, [this] {
        m_gather.stop();
        emit ClientDisConnect(m_id, m_ip, m_port);
    });
}

myTcpClient::~myTcpClient()
{
    // The socket's own destructor still reports the disconnection, after
    // our members are gone.
    disconnect(this, nullptr, this, nullptr);
    disconnect(this, &myTcpClient::ClientDisConnect, nullptr, nullptr);
}

bool myTcpClient::adopt(qintptr descriptor)
{
    if (!setSocketDescriptor(descriptor))
        return false;
    m_id = int(descriptor);
    // An IPv4 peer on a dual-stack socket reads as "::ffff:a.b.c.d".
    bool isIpv4 = false;
    const quint32 ipv4 = peerAddress().toIPv4Address(&isIpv4);
    m_ip = isIpv4 ? QHostAddress(ipv4).toString() : peerAddress().toString();
    m_port = peerPort();
    return true;
}

// A timer rather than a wait: the GUI stays live and nothing re-enters.
void myTcpClient::onReadyRead()
{
    if (!m_gather.isActive())
        m_gather.start();
}
