#pragma once

#include <QByteArray>
#include <QByteArrayList>

// Cuts the received stream into sentences: the text strictly between a '$'
// and the next '*'. Checksums and line ends are not checked; they fall away
// with the next sentence.
//
// The buffer is bounded: while no '*' arrives (a receiver switched to a
// binary protocol, line noise) only the newest kMaxPending bytes are kept,
// so a sentence can never be longer than that.
class NmeaSplitter
{
public:
    // Longer chunks are shown to the user but never parsed.
    static constexpr int kMaxChunk = 1024;
    // NMEA sentences are at most 82 characters and our own commands are
    // short; twice that leaves room for a long file path.
    static constexpr int kMaxPending = 256;

    // False (and nothing buffered) when the chunk is too long to parse.
    bool append(const QByteArray &chunk);

    // The next complete sentence split at ',' (empty fields kept), or an
    // empty list when the buffer holds none yet.
    QByteArrayList next();

    // Everything not yet consumed, emptying the buffer (a file upload takes
    // the bytes that follow its command).
    QByteArray takeBuffer();
    void clear();
    int pendingSize() const { return m_buffer.size() - m_start; }

private:
    void dropThrough(int index);
    void compact();
    void boundPending();

    QByteArray m_buffer;
    int m_start = 0; // bytes before this offset are consumed
};
