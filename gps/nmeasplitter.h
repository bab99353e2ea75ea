#pragma once

#include <QByteArray>
#include <QByteArrayList>

// Cuts the received stream into sentences: the text strictly between a '$'
// and the next '*'. Checksums and line ends are not checked; they fall away
// with the next sentence. A zero byte cuts off whatever sentence it falls in.
//
// Chunks of any size are taken, and sentences come out in stream order.
// What waits between reads is bounded: once no '*' is left only the newest
// kMaxPending bytes are kept (a receiver switched to a binary protocol, line
// noise). A sentence is not: one that arrives whole in a single read comes
// out however long it is, so its length is bounded only by the size of the
// reads. One spread over several reads is at most kMaxPending bytes plus
// the read that ends it: if its '$' lay further back, it is lost.
class NmeaSplitter
{
public:
    // NMEA sentences are at most 82 characters and our own commands are
    // short; twice that leaves room for a long file path.
    static constexpr int kMaxPending = 256;

    void append(const QByteArray &chunk);

    // The next complete sentence split at ',' (empty fields kept), or an
    // empty list when the buffer holds none yet. The fields own their bytes.
    QByteArrayList next();

    // Up to `maxBytes` of what is not yet consumed, from the front (a file
    // upload takes the bytes that follow its command).
    QByteArray take(int maxBytes);
    void clear();
    int pendingSize() const { return m_buffer.size() - m_start; }

private:
    // A long chunk's storage is given back once it has been read.
    static constexpr int kKeptCapacity = 64 * 1024;

    int indexIn(char c, int from, int to) const;
    void dropThroughLastZero(int before);
    void dropThrough(int index);
    void compact();
    void keepPendingTail();

    QByteArray m_buffer;
    int m_start = 0; // bytes before this offset are consumed
};
