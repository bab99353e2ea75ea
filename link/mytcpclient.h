#pragma once

#include "bytelink.h"
#include "linkclock.h"
#include "tcpchunk.h"

#include <QHostAddress>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

// One connection accepted by myTcpServer. Its ID is its socket descriptor.
//
// Received bytes are reported 100 ms (the gather interval) after the first
// of them arrives, so a message that comes in several TCP segments is
// usually read in one piece. The socket holds at most kReadPieceBytes: a
// full piece is reported at once and the rest waits in the system, where
// TCP slows the peer down, so a flooding peer is read in bounded pieces, one
// per turn of the event loop. Bytes still waiting when the peer leaves are
// reported before the departure.
class myTcpClient : public QTcpSocket
{
    Q_OBJECT
public:
    static constexpr int kGatherMs = 100;
    static constexpr qint64 kReadPieceBytes = ByteLink::kReadPieceBytes;

    explicit myTcpClient(QObject *parent = nullptr);
    ~myTcpClient() override;

    // Takes over an accepted connection; false when the descriptor is bad.
    bool adopt(qintptr descriptor);

    void setGatherInterval(int ms) { m_gatherMs = ms; }
    // What silentMs() is measured on; set before adopt().
    void setClock(LinkClock clock) { m_clock = std::move(clock); }

    int clientID() const { return m_peer.id; }
    QString clientIP() const { return m_peer.ip; }
    int clientPort() const { return m_peer.port; }
    // Since the connection opened or the peer last sent something.
    qint64 silentMs() const { return m_clock() - m_lastHeardAt; }

    // A peer's address as the user knows it: IPv4 in dotted form even when
    // it came through a dual-stack socket.
    static QString addressText(const QHostAddress &address);

    // Reports at once what arrived and was not reported yet, if anything.
    void reportWaiting();
    // While held, nothing is reported but what is waiting when the peer
    // leaves or is closed: the socket fills, then the system's buffer, and
    // TCP slows the peer down.
    void setReadingHeld(bool held);

signals:
    // Each read's bytes with this client, made once: every hop up to the
    // tab passes the same chunk on.
    void ClientReadData(const TcpChunk &chunk);
    void ClientDisConnect(int clientID, QString IP, int Port);

private:
    void onReadyRead();
    void onGathered();

    TcpPeer m_peer;
    QTimer m_gather;
    int m_gatherMs = kGatherMs;
    LinkClock m_clock = steadyClockMs;
    qint64 m_lastHeardAt = 0;
    bool m_held = false;
};
