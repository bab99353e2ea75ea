#pragma once

#include "linklimits.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// A source and sink of bytes: a serial port, the clients of a TCP server, a
// TCP connection, a UDP endpoint. Tabs get bytes only through received(),
// in the order they arrived, and never reach past the link into its device;
// a TCP server's come with their client instead
// (TcpServerLink::chunkReceived).
//
// Each kind takes its own settings before open(). Opening may finish later
// (a TCP connection): opened() says when it has.
class ByteLink : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kReadPieceBytes = LinkLimits::kReadPieceBytes;
    static constexpr qint64 kMaxUnsentBytes = LinkLimits::kMaxUnsentBytes;
    // Where one device at a time is served, how long it may stay silent
    // before another may take its place.
    static constexpr int kIdleMs = 30000;

    using QObject::QObject;

    // False, with errorString() set, when the link cannot even start to open.
    virtual bool open() = 0;
    // Hands out what was received before closing; reports closed().
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The bytes accepted for sending, or -1.
    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual QString errorString() const = 0;
    // Bytes accepted by write() and not yet sent.
    virtual qint64 bytesToWrite() const { return 0; }
    // Where an open server or UDP endpoint is bound, as listenAddressText()
    // writes it; empty for other links and while closed.
    virtual QString listenAddress() const { return {}; }

signals:
    void opened();
    void closed();
    void received(const QByteArray &bytes);
    // The device went away or the peer ended the connection. Reported once;
    // the link is closed by then.
    void lost();
    // Opening failed later (a refused connection, an unknown host) or the
    // link failed while open.
    void failed(const QString &text);
    // Some of the bytes written went out.
    void bytesWritten(qint64 bytes);
};
