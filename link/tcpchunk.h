#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

// A client of a TCP server as the user knows it: the server's number for it
// (its socket descriptor) and where it connected from.
struct TcpPeer
{
    int id = 0;
    QString ip;
    int port = 0;
};

// What one read of a client brought, with the client it came from.
struct TcpChunk
{
    TcpPeer client;
    QByteArray bytes;
};

Q_DECLARE_METATYPE(TcpChunk)
