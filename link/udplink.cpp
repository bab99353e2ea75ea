#include "udplink.h"

#include "receivescope.h"
#include "socketerror.h"
#include "translation.h"

#include <QHostInfo>
#include <QNetworkDatagram>

UdpLink::UdpLink(QObject *parent)
    : ByteLink(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpLink::readDatagrams);
}

quint16 UdpLink::localPort() const
{
    return isOpen() ? m_socket.localPort() : m_localPort;
}

void UdpLink::setTarget(const QString &host, quint16 port)
{
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    m_waiting.clear();
    m_targetHost = host.trimmed();
    m_targetPort = port;
    m_targetAddress = QHostAddress(m_targetHost);
    if (m_targetAddress.isNull() && !m_targetHost.isEmpty())
        m_lookupId = QHostInfo::lookupHost(m_targetHost, this, &UdpLink::onLookedUp);
}

bool UdpLink::open()
{
    if (isOpen())
        return true;
    if (!m_socket.bind(scopeAddress(m_scope), m_localPort)) {
        m_error = socketErrorText(m_socket.error(), m_socket.errorString());
        return false;
    }
    m_error.clear();
    m_followed.clear();
    m_ignored = 0;
    emit opened();
    return true;
}

void UdpLink::close()
{
    if (!isOpen())
        return;
    readDatagrams();
    m_socket.close();
    m_waiting.clear();
    emit closed();
}

QString UdpLink::listenAddress() const
{
    return isOpen() ? listenAddressText(m_socket.localAddress(), m_socket.localPort()) : QString();
}

bool UdpLink::isOpen() const
{
    return m_socket.state() == QAbstractSocket::BoundState;
}

qint64 UdpLink::write(const QByteArray &bytes)
{
    if (!isOpen() || m_targetHost.isEmpty() || m_targetPort == 0) {
        m_error = mainTr("请填写目标地址和端口");
        return -1;
    }
    if (m_lookupId >= 0) {
        if (m_waiting.size() >= kMaxWaiting)
            return -1;
        m_waiting.append(bytes);
        return bytes.size();
    }
    return send(bytes);
}

qint64 UdpLink::send(const QByteArray &datagram)
{
    if (m_targetAddress.isNull())
        return -1;
    const qint64 sent = m_socket.writeDatagram(datagram, m_targetAddress, m_targetPort);
    if (sent < 0)
        m_error = socketErrorText(m_socket.error(), m_socket.errorString());
    return sent;
}

void UdpLink::onLookedUp(const QHostInfo &info)
{
    m_lookupId = -1;
    const QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        m_waiting.clear();
        m_error = mainTr("找不到主机：%1").arg(m_targetHost);
        emit failed(m_error);
        return;
    }
    m_targetAddress = addresses.first();
    for (const QHostAddress &address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            m_targetAddress = address;
            break;
        }
    }
    const QList<QByteArray> waiting = std::exchange(m_waiting, {});
    for (const QByteArray &datagram : waiting)
        send(datagram);
}

void UdpLink::readDatagrams()
{
    for (int n = 0; n < kDatagramsPerRead && m_socket.hasPendingDatagrams(); ++n) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid())
            break;
        bool isIpv4 = false;
        const quint32 ipv4 = datagram.senderAddress().toIPv4Address(&isIpv4);
        const QString ip =
            isIpv4 ? QHostAddress(ipv4).toString() : datagram.senderAddress().toString();
        if (!follows(datagram.senderAddress(), quint16(datagram.senderPort()))) {
            ++m_ignored;
            emit ignored(ip, quint16(datagram.senderPort()));
            continue;
        }
        const ReceiveScope receiving;
        emit receivedFrom(ip, quint16(datagram.senderPort()), datagram.data());
        emit received(datagram.data());
    }
}

// Whether a datagram of this sender is handed out; the sender followed
// changes only after its silence.
bool UdpLink::follows(const QHostAddress &address, quint16 port)
{
    if (m_idleMs <= 0)
        return true;
    const qint64 now = m_clock();
    const bool followed = address.isEqual(m_followed) && port == m_followedPort;
    if (!followed && !m_followed.isNull() && now - m_lastHeardAt < m_idleMs)
        return false;
    m_followed = address;
    m_followedPort = port;
    m_lastHeardAt = now;
    return true;
}
