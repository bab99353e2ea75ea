#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <memory>

// Plain sockets on 127.0.0.1 playing the peer of a link or a page.

// Connected to the port, or null after three seconds.
inline std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    if (!socket->waitForConnected(3000))
        return nullptr;
    return socket;
}

// Reads until `expected` bytes came or three seconds passed, running the
// event loop meanwhile.
inline QByteArray readFrom(QTcpSocket &socket, int expected)
{
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < expected && clock.elapsed() < 3000) {
        QCoreApplication::processEvents();
        socket.waitForReadyRead(20);
        bytes += socket.readAll();
    }
    return bytes;
}

// A port nobody listens on.
inline quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A UDP port nobody is bound to.
inline quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}
