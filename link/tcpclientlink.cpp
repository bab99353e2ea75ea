#include "tcpclientlink.h"

#include "receivescope.h"
#include "socketerror.h"
#include "translation.h"

TcpClientLink::TcpClientLink(QObject *parent)
    : ByteLink(parent)
{
    // Bytes beyond one piece wait in the system, where TCP slows the peer.
    m_socket.setReadBufferSize(kReadPieceBytes);
    connect(&m_socket, &QTcpSocket::connected, this, &TcpClientLink::opened);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpClientLink::handOutReceived);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpClientLink::onDisconnected);
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &TcpClientLink::onError);
}

TcpClientLink::~TcpClientLink()
{
    // The socket, destroyed after our other members, still reports its
    // disconnection: nothing of it may reach this half-destroyed link.
    m_socket.disconnect(this);
}

void TcpClientLink::setPeer(const QString &host, quint16 port)
{
    m_host = host.trimmed();
    m_port = port;
}

bool TcpClientLink::open()
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        return true;
    if (m_host.isEmpty() || m_port == 0) {
        m_error = mainTr("请填写服务器地址和端口");
        return false;
    }
    m_error.clear();
    m_closing = false;
    m_socket.connectToHost(m_host, m_port);
    return true;
}

void TcpClientLink::close()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    const bool wasConnected = isOpen();
    handOutReceived();
    m_closing = true;
    m_socket.abort();
    m_closing = false;
    if (wasConnected)
        emit closed();
}

bool TcpClientLink::isOpen() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

qint64 TcpClientLink::write(const QByteArray &bytes)
{
    if (!isOpen())
        return -1;
    const qint64 accepted = m_socket.write(bytes);
    if (m_socket.bytesToWrite() <= kMaxUnsentBytes)
        return accepted;
    // A server that takes nothing would make us keep all we send.
    m_error = mainTr("对方不接收数据，待发送的数据超过%1 MiB，已断开").arg(kMaxUnsentBytes >> 20);
    close();
    emit failed(m_error);
    return -1;
}

void TcpClientLink::handOutReceived()
{
    const QByteArray bytes = m_socket.readAll();
    if (!bytes.isEmpty()) {
        const ReceiveScope receiving;
        emit received(bytes);
    }
}

void TcpClientLink::onDisconnected()
{
    if (m_closing)
        return;
    handOutReceived();
    m_error = mainTr("对方已断开连接");
    emit closed();
    emit lost();
}

void TcpClientLink::onError(QAbstractSocket::SocketError error)
{
    // The peer closing is reported as lost(), not as a failure.
    if (m_closing || error == QAbstractSocket::RemoteHostClosedError)
        return;
    m_error = socketErrorText(error, m_socket.errorString());
    const bool connected = isOpen();
    if (connected)
        close();
    else
        m_socket.abort();
    emit failed(m_error);
}
