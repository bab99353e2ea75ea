#include "mytcpclient.h"

#include <QHostAddress>

myTcpClient::myTcpClient(QObject *parent)
    : QTcpSocket(parent)
{
    m_gather.setSingleShot(true);
    connect(&m_gather, &QTimer::timeout, this, &myTcpClient::onGathered);
    connect(this, &QTcpSocket::readyRead, this, &myTcpClient::onReadyRead);
    connect(this, &QTcpSocket::disconnected, this, [this] {
        // What arrived just before the peer left is still reported, first.
        reportWaiting();
        emit ClientDisConnect(m_peer.id, m_peer.ip, m_peer.port);
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
    m_peer = {int(descriptor), addressText(peerAddress()), peerPort()};
    setReadBufferSize(kReadPieceBytes);
    m_lastHeardAt = m_clock();
    return true;
}

QString myTcpClient::addressText(const QHostAddress &address)
{
    // An IPv4 peer on a dual-stack socket reads as "::ffff:a.b.c.d".
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}

void myTcpClient::reportWaiting()
{
    m_gather.stop();
    const TcpChunk chunk{m_peer, readAll()};
    if (!chunk.bytes.isEmpty())
        emit ClientReadData(chunk);
}

void myTcpClient::setReadingHeld(bool held)
{
    m_held = held;
    if (!held && bytesAvailable() > 0)
        m_gather.start(0);
}

void myTcpClient::onGathered()
{
    if (!m_held)
        reportWaiting();
}

// A timer rather than a wait: the GUI stays live and nothing re-enters.
void myTcpClient::onReadyRead()
{
    m_lastHeardAt = m_clock();
    if (m_held)
        return;
    if (bytesAvailable() >= kReadPieceBytes)
        m_gather.start(0); // the socket takes no more until this piece is read
    else if (!m_gather.isActive())
        m_gather.start(m_gatherMs);
}
